#!/usr/bin/env bash
# Capture under Wine. A video goes to ffmpeg.exe found on PATH: here a stand-in of ours
# (tests/windows/ffmpeg_stub.cpp) that checks the arguments and counts what it is sent, so the
# run must hand it exactly the frames of the schedule with the music named as the second input.
# Without ffmpeg.exe the program says how to get it and ends with 2. PNG pictures go through WIC.
#   e2e_capture.sh TALVOREN_EXE LINUX_BUILD FFMPEG_STUB_FOLDER
source "$(dirname "$0")/common.sh"
stub_folder="$(winepath -w "$3" 2> /dev/null)"
windows_work="$(winepath -w "$work" 2> /dev/null)"

# 2 s at 25 frames a second: frames 0..49, each 160x120 RGBA.
WINEPATH="$stub_folder" wine "$exe" --size 160x120 --data "$data" --capture "$windows_work\\show.mp4" --until 2 \
  --fps 25 --quiet > "$work/video.txt" 2>&1
status=$?
[ $status -eq 0 ] || fail "the video capture exited $status: $(tail -n 3 "$work/video.txt")"
read -r _ frames _ bytes _ size _ rate _ music < <(tr -d "\r" < "$work/show.mp4") || fail "the stand-in wrote no report"
[ "$frames" = 50 ] && [ "$bytes" = $((50 * 160 * 120 * 4)) ] || fail "the encoder got $frames frames, $bytes bytes"
[ "$size" = 160x120 ] && [ "$rate" = 25 ] || fail "the encoder was asked for $size at $rate frames a second"
[[ "$music" == *demo.mp3 ]] || fail "the music was not handed to the encoder (it got \"$music\")"

wine "$exe" --size 160x120 --data "$data" --capture "$windows_work\\none.mp4" --until 1 > "$work/none.txt" 2>&1
status=$?
[ $status -eq 2 ] || fail "a video capture without ffmpeg exited $status, expected 2"
grep -q "ffmpeg.exe" "$work/none.txt" || fail "no advice on getting ffmpeg: $(cat "$work/none.txt")"

wine "$exe" --size 160x120 --data "$data" --capture "$windows_work\\frames\\" --until 1 --fps 10 --quiet \
  > "$work/pictures.txt" 2>&1
status=$?
[ $status -eq 0 ] || fail "the picture capture exited $status: $(tail -n 3 "$work/pictures.txt")"
count=$(ls "$work/frames" | wc -l)
[ "$count" -eq 10 ] || fail "the picture capture wrote $count pictures, expected 10"
python3 "$here/png_compare.py" "$work/frames/00000.png" "$work/frames/00000.png" > /dev/null ||
  fail "the first picture is not a readable PNG"
echo PASS
