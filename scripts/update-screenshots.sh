#!/usr/bin/env bash
# Copies the README's screenshots - the three tabs and both editors, as the
# end-to-end snapshots drew them offscreen at scale 1 - from the folder ./test
# wrote them to (build/snapshots, or the folder given) into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
from="${1:-build/snapshots}"
to=docs/screenshots
shots=(tab-power-on tab-auto-selections tab-settings editor-power-on editor-auto-selection)

for shot in "${shots[@]}"; do
  if [ ! -f "$from/$shot.png" ]; then
    echo "$from/$shot.png is missing; run ./test first" >&2
    exit 1
  fi
done
mkdir -p "$to"
for shot in "${shots[@]}"; do
  cp "$from/$shot.png" "$to/$shot.png"
done
echo "Copied ${#shots[@]} screenshots from $from to $to"
