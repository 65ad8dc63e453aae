#!/usr/bin/env bash
# Renders one frame of each part of the show into build/show/ (one headless run, 800x600) and lays
# them out as build/show/show.png, the picture docs/show.png was made from.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/show
args=()
for t in 3 9 16 21.9 28 45 60 80 95 100 113 129 150 200 238; do args+=(--frame "$t" "build/show/f$t.png"); done
build/talvoren --size 800x600 --mute --data build/data "${args[@]}"
(cd build/show && python3 ../../scripts/montage.py show.png 200 150 5)
echo "Wrote build/show/show.png"
