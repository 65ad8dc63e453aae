#!/usr/bin/env bash
# Headless runs that end early: --until and --frame (the whole show is whole_show.sh), and a
# missing start picture that is reported while the show goes on.
source "$(dirname "$0")/common.sh"

"$program" --headless --size 320x240 --data "$data" --until 5 --trace 2> "$work/until.txt"
status=$?
[ $status -eq 0 ] || fail "--until 5 exited $status"
grep -q 696969 "$work/until.txt" && fail "--until 5 ran to the end"

"$program" --frame 2.5 "$work/frame.png" --size 320x240 --data "$data"
status=$?
[ $status -eq 0 ] || fail "--frame exited $status"
[ "$(png_size "$work/frame.png")" = "320 240" ] || fail "frame size is $(png_size "$work/frame.png")"

"$program" --frame 1 "$work/missing-folder/frame.png" --size 320x240 --data "$data" 2> "$work/err.txt"
status=$?
[ $status -ne 0 ] || fail "an unwritable frame path reported success"
grep -q "cannot write the frame" "$work/err.txt" || fail "no message for an unwritable frame path"
# A missing start picture is reported (on standard error, headless) and the show goes on.
"$program" --headless --size 320x240 --data "$work/data" --until 1 2> "$work/missing.txt"
status=$?
[ $status -eq 0 ] || fail "a run without start.jpg exited $status"
grep -qF 'ERROR! Failed to load ./data/start.jpg !' "$work/missing.txt" || fail "no message for a missing start.jpg"
echo PASS
