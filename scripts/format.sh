#!/usr/bin/env bash
# Formats every C and C++ file of the project with its .clang-format.
#   format.sh          rewrite the files
#   format.sh --check  list what is not formatted, exit 1 if anything is
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.hpp' '*.c')
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = --check ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
