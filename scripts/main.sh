#!/usr/bin/env bash
# Builds everything, the Windows deliverables into dist/, and types a sample word
# in each layout with korvi-type.
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in native windows-x64 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo
echo "Deliverables:"
ls -l dist/

echo
echo "One word in each layout (layout: keys -> text):"
type=build/native/tools/korvi-type/korvi-type
while read -r layout keys; do
  printf '%-14s %-12s -> %s\n' "$layout" "$keys" "$("$type" --layout "$layout" "$keys")"
done <<'WORDS'
korvi vaNakkam
tamil99 vphhkf
moe-singapore vphfhkf
velona7 u[jfjkf
mylai vhkfkmf
newtw tzf;fk;
oldtw tz;ff;k
velona6 u[jgjkg
WORDS
