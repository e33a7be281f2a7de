#!/usr/bin/env bash
# Runs Windows test programs under Wine for ctest.
#   wine-test.sh start PREFIX         fresh prefix (null graphics driver), persistent wineserver
#   wine-test.sh run PREFIX ARCH CMD  one program (ARCH: win64 or win32) in that prefix
#   wine-test.sh stop PREFIX          stop the server and everything it serves
set -euo pipefail

WINELIB=/usr/lib/wine
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINESERVER=$WINELIB/wineserver

cmd=$1
export WINEPREFIX=$(realpath -m "$2")
shift 2

case "$cmd" in
start)
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$WINELIB/wine64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINELIB/wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
  # A persistent server, and Wine's services started by a process that holds none of
  # ctest's pipes: otherwise every test waits for those services to let go of them.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINELIB/wine64" cmd /c exit </dev/null >/dev/null 2>&1
  echo "wine prefix ready: $WINEPREFIX"
  ;;
run)
  arch=$1
  shift
  case "$arch" in
  win64) loader=$WINELIB/wine64 ;;
  win32) loader=$WINELIB/wine ;;
  *) echo "wine-test.sh: unknown arch $arch" >&2; exit 2 ;;
  esac
  if [ ! -d "$WINEPREFIX" ]; then
    echo "wine-test.sh: no prefix at $WINEPREFIX; run the wine.start test first" >&2
    exit 2
  fi
  exec "$loader" "$@"
  ;;
stop)
  if [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
  fi
  echo "wine server stopped"
  ;;
*)
  echo "usage: wine-test.sh start|run|stop PREFIX ..." >&2
  exit 2
  ;;
esac
