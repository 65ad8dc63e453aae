#!/usr/bin/env bash
# The whole show on the virtual clock with the generated data: every scene comes at its time and
# in order, the show ends by itself at 241 s with status 0, no loader reports an error and no
# frame leaves an OpenGL error behind. A picture of every second is kept in the build folder
# (whole-show/SSSSS.png): the Windows stage compares its own frames with them.
source "$(dirname "$0")/common.sh"
[ -f "$build/data/greet1.3ds" ] || { echo "SKIP: no generated data"; exit 0; }

rm -rf "$build/whole-show"
"$program" --headless --size 320x240 --mute --data "$build/data" --trace --check-gl \
  --capture "$build/whole-show/" --fps 1 --quiet > "$work/out.txt" 2> "$work/trace.txt"
status=$?
[ $status -eq 0 ] || fail "the show ended with status $status: $(tail -n 5 "$work/trace.txt")"
grep -q "ERROR\|File Not Found\|Unknown file format\|OpenGL error" "$work/trace.txt" "$work/out.txt" \
  && fail "errors during the show: $(grep "ERROR\|File Not Found\|Unknown\|OpenGL error" "$work/trace.txt" "$work/out.txt" | head -n 3)"

# Each change of scene with the time it came at.
python3 - "$work/trace.txt" <<'PY' || exit 1
import re, sys
changes, last = [], 1
for line in open(sys.argv[1]):
    m = re.match(r"event (\d+) at ([0-9.]+) s -> scene (\d+)", line)
    if m and int(m.group(3)) != last:
        last = int(m.group(3))
        changes.append((last, float(m.group(2))))
expected = [(2, 7.68), (3, 10.52), (4, 14.36), (5, 18.2), (6, 23.24), (7, 37.4), (8, 52.52), (9, 73.48),
            (10, 90.2), (11, 98.0), (12, 102.0), (14, 105.0), (16, 108.5), (18, 112.0), (20, 115.0),
            (22, 118.0), (24, 121.0), (26, 124.0), (28, 128.56), (29, 129.56), (666, 236.0)]
got = [s for s, _ in changes]
if got != [s for s, _ in expected]:
    sys.exit(f"FAIL: scene order {got}")
for (scene, at), (_, want) in zip(changes, expected):
    if abs(at - want) > 0.05:
        sys.exit(f"FAIL: scene {scene} came at {at} s, not {want} s")
beats = sum(1 for line in open(sys.argv[1]) if re.match(r"event 5\d\d\d at", line))
if beats != 269:
    sys.exit(f"FAIL: {beats} beat events, not 269")
PY
grep -q "^event 696969 at 24[01]\." "$work/trace.txt" || fail "the show did not end at 241 s"
[ -f "$build/whole-show/00240.png" ] || fail "no picture of the show's last second"
echo PASS
