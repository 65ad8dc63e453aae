#!/usr/bin/env bash
# Installs what is missing, builds, and plays the demo. Without a display it renders headless
# instead. Extra arguments go to the program (see ./build/talvoren --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
mkdir -p build/data
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (\$DISPLAY and \$WAYLAND_DISPLAY are unset): running headless instead."
  exec ./build/talvoren --data build/data --headless "$@"
fi
exec ./build/talvoren --data build/data "$@"
