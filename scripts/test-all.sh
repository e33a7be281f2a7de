#!/usr/bin/env bash
# Builds every tree and runs every test: native, sanitized (with bounded fuzzing),
# the 64-bit Windows side under 64-bit Wine and the 32-bit side under 32-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

stop_wine() {
  for prefix in build/windows-x64/wineprefix build/windows-x86/wineprefix; do
    [ -d "$prefix" ] && scripts/wine-test.sh stop "$prefix" >/dev/null 2>&1 || true
  done
}
trap stop_wine EXIT

status=0
for preset in native sanitize windows-x64 windows-x86; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset" || status=1
done
exit $status
