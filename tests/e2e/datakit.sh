#!/usr/bin/env bash
# The data kit writes every file, the same bytes on every run, and the program takes them
# without a single error box.
source "$(dirname "$0")/common.sh"
kit="$build/tools/datakit/datakit"
[ -x "$kit" ] || fail "no data kit at $kit"

"$kit" "$work/first" 2> "$work/kit.log" || fail "the data kit failed: $(tail -n 5 "$work/kit.log")"
"$kit" "$work/second" 2> /dev/null || fail "the second data kit run failed"
for file in start.jpg white.jpg black.jpg star.jpg ljus1.jpg spaceboll.jpg bg003x.jpg ChromeGreen.jpg \
            tunnel2.jpg intro1.jpg vornix1.jpg vornix2.jpg light.jpg radial.jpg checker.jpg tex1.jpg \
            noise7.jpg noise8.jpg font.jpg 200x100.jpg demo.mp3 \
            ball3.3ds xcircle.3ds thcmolekyl.3ds brain2.3ds head2.3ds \
            vornix2.3ds presents.3ds talv1b.3ds startmorph.3ds greet1.3ds greet2.3ds greet3.3ds \
            greet4.3ds vornix.3ds space.3ds space1.pos boll.pos text.txt; do
  [ -s "$work/first/$file" ] || fail "the kit did not write $file"
  cmp -s "$work/first/$file" "$work/second/$file" || fail "$file differs between two runs"
done

"$program" --headless --size 320x240 --data "$work/first" --until 2 2> "$work/run.txt"
status=$?
[ $status -eq 0 ] || fail "a run on the generated data exited $status"
grep -q "ERROR\|File not found\|Unknown file format" "$work/run.txt" && fail "errors on generated data: $(cat "$work/run.txt")"
echo PASS
