#!/usr/bin/env bash
# A few damaged data folders, each played a little past the first scene that draws with the
# damaged file: the show goes on with status 0 and no OpenGL error. The whole set of damages is
# scripts/damaged-data.sh (its --sample runs on the sanitized program).
source "$(dirname "$0")/common.sh"
[ -f "$build/data/greet1.3ds" ] || { echo "SKIP: no generated data"; exit 0; }
damaged="$(dirname "$0")/../../scripts/damaged-data.sh"
export DAMAGE_LOGS="$work/logs"

"$damaged" "$program" "$build/data" --damage remove --first-use --only start.jpg light.jpg 200x100.jpg \
  || fail "a missing file stopped the show: $(cat "$work"/logs/* 2> /dev/null | grep -v '^event' | head -n 5)"
"$damaged" "$program" "$build/data" --damage truncate --first-use --only vornix2.3ds star.jpg \
  || fail "a file cut short stopped the show: $(cat "$work"/logs/* 2> /dev/null | grep -v '^event' | head -n 5)"
echo PASS
