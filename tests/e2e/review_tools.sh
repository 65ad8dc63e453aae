#!/usr/bin/env bash
# The review tools: the contact sheet lays out every picture and model of a data folder, the
# effect lab writes a frame of the asked size, and both refuse bad command lines.
source "$(dirname "$0")/common.sh"
sheet="$build/tools/contact-sheet/contact-sheet"
lab="$build/tools/effect-shot/effect-shot"
wave="$build/tools/waveform/waveform"

"$sheet" "$data" "$work/sheet.png" 2> "$work/sheet.log" || fail "contact-sheet failed: $(tail -n 3 "$work/sheet.log")"
grep -q "FAILED\|ERROR" "$work/sheet.log" && fail "contact-sheet reported errors: $(cat "$work/sheet.log")"
read -r w h <<< "$(png_size "$work/sheet.png")"
[ "$w" -gt 256 ] && [ "$h" -gt 256 ] || fail "contact sheet is only ${w}x${h}"
"$sheet" "$work/nothing-here" "$work/none.png" 2> /dev/null && fail "contact-sheet accepted an empty folder"

"$lab" start 0.1 "$work/start.png" --size 320x200 --data "$data" 2> /dev/null || fail "effect-shot start failed"
[ "$(png_size "$work/start.png")" = "320 200" ] || fail "effect-shot frame is $(png_size "$work/start.png")"
"$lab" no-such-effect 1 "$work/x.png" > /dev/null 2>&1
[ $? -eq 2 ] || fail "effect-shot accepted an unknown effect"
"$lab" start soon "$work/x.png" > /dev/null 2>&1
[ $? -eq 2 ] || fail "effect-shot accepted a bad time"

"$wave" "$data/demo.mp3" "$work/wave.png" 2> /dev/null || fail "waveform failed on the music"
"$wave" "$work/missing.mp3" "$work/wave2.png" 2> /dev/null && fail "waveform accepted a missing file"
echo PASS
