#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo. Without a display it captures the show
# to build/talvoren.mp4 instead (headless, with the music). Extra arguments go to the program
# (see ./build/talvoren --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
mkdir -p build/data
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (\$DISPLAY and \$WAYLAND_DISPLAY are unset): capturing the show to build/talvoren.mp4 instead."
  exec ./build/talvoren --data build/data --capture build/talvoren.mp4 "$@"
fi
exec ./build/talvoren --data build/data "$@"
