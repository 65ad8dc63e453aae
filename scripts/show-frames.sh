#!/usr/bin/env bash
# Captures the show at one frame per second (800x600 PNG pictures in build/show/frames/) and lays
# one frame of each part out as build/show/show.png, the picture docs/show.png was made from.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf build/show && mkdir -p build/show/frames
build/talvoren --size 800x600 --data build/data --capture build/show/frames/%03d.png --fps 1
for t in 3 9 16 22 28 45 60 80 95 100 113 129 150 200 238; do
  cp "build/show/frames/$(printf %03d "$t").png" "build/show/f$t.png"
done
(cd build/show && python3 ../../scripts/montage.py show.png 200 150 5)
echo "Wrote build/show/show.png"
