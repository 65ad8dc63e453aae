#!/usr/bin/env bash
# The same frames from both builds: one headless 320x240 run each, eight --frame pairs spread over
# the show, compared picture by picture (PSNR over RGB and the largest difference of a channel).
# Every frame must reach 30 dB; one below 40 dB is named with its likely cause, since the two
# builds share every line of the renderer and differ only in the JPEG decoder (WIC against
# libjpeg-turbo) and the glyphs of the typed text (Windows' font rasteriser against FreeType).
# The Linux build's frames are the pictures its whole-show test keeps (LINUX_BUILD/whole-show/,
# one a second, taken exactly as --frame takes them); without them it runs the Linux program too.
#   e2e_frames.sh TALVOREN_EXE LINUX_BUILD
source "$(dirname "$0")/common.sh"

times=(3 16 28 45 80 113 150 238)
linux_args=() windows_args=()
for t in "${times[@]}"; do
  linux_args+=(--frame "$t" "$work/linux-$t.png")
  windows_args+=(--frame "$t" "$work/windows-$t.png")
done
start=$SECONDS
kept=1
for t in "${times[@]}"; do
  if [ -f "$linux/whole-show/$(printf %05d "$t").png" ]; then
    cp "$linux/whole-show/$(printf %05d "$t").png" "$work/linux-$t.png"
  else
    kept=0
  fi
done
linux_pid=""
if [ $kept -eq 0 ]; then
  "$linux/talvoren" --headless --size 320x240 --data "$data" --mute "${linux_args[@]}" > "$work/linux.txt" 2>&1 &
  linux_pid=$!
fi
wine "$exe" --headless --size 320x240 --data "$data" --mute "${windows_args[@]}" > "$work/windows.txt" 2>&1
windows_status=$?
if [ -n "$linux_pid" ]; then
  wait $linux_pid || fail "the Linux run exited $?: $(tail -n 3 "$work/linux.txt")"
fi
[ $windows_status -eq 0 ] || fail "the Windows run exited $windows_status: $(tail -n 3 "$work/windows.txt")"
echo "runs: $((SECONDS - start)) s ($([ $kept -eq 1 ] && echo "Linux frames kept by its whole-show test" || echo "both builds"))"

failed=0
printf '%8s  %s\n' seconds "comparison"
for t in "${times[@]}"; do
  line=$(python3 "$here/png_compare.py" "$work/linux-$t.png" "$work/windows-$t.png" 30) || failed=1
  psnr=$(awk '{ print $2 }' <<< "$line")
  note=""
  if [ "$psnr" != inf ] && awk -v p="$psnr" 'BEGIN { exit !(p < 40) }'; then
    note="  (below 40 dB: the typed text's glyphs, rasterised by each system's own font engine)"
  fi
  printf '%8s  %s%s\n' "$t" "$line" "$note"
done
[ $failed -eq 0 ] || fail "a frame of the Windows build is below 30 dB from the Linux build's"
echo PASS
