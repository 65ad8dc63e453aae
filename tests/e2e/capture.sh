#!/usr/bin/env bash
# Capture: PNG pictures frame-exact against --frame, a video with its music, Ctrl-C leaving a
# playable file, and the messages when ffmpeg is missing or the target is bad.
source "$(dirname "$0")/common.sh"
run() { "$program" --size 160x120 --data "$data" "$@"; }

# Pictures at the show's own rate: frame k is the show at 16k ms, the start picture first.
run --capture "$work/own/" --until 1 --quiet || fail "picture capture exited $?"
[ "$(ls "$work/own" | wc -l)" -eq 63 ] || fail "$(ls "$work/own" | wc -l) pictures for 1 s (want 63)"
run --frame 0 "$work/f0.png" --frame 0.496 "$work/f31.png" --frame 0.992 "$work/f62.png" || fail "--frame exited $?"
for k in 0 31 62; do
  cmp -s "$work/f$k.png" "$work/own/$(printf %05d $k).png" || fail "captured frame $k differs from --frame"
done
# At 25 per second frame 1 (40 ms) is the frame drawn at 32 ms: the last one drawn by then.
run --capture "$work/slow/shot-%03d.png" --fps 25 --until 1 --quiet || fail "pattern capture exited $?"
[ "$(ls "$work/slow" | wc -l)" -eq 25 ] || fail "$(ls "$work/slow" | wc -l) pictures at 25 fps (want 25)"
run --frame 0.04 "$work/f40.png" --frame 0.96 "$work/f960.png" || fail "--frame exited $?"
cmp -s "$work/f40.png" "$work/slow/shot-001.png" || fail "frame 1 at 25 fps is not the frame drawn at 32 ms"
cmp -s "$work/f960.png" "$work/slow/shot-024.png" || fail "frame 24 at 25 fps is not the frame drawn at 960 ms"

run --capture "$work/bad%s.png" 2> "$work/err.txt"
[ $? -eq 2 ] || fail "a bad picture pattern did not exit 2"
grep -q "malformed picture pattern" "$work/err.txt" || fail "no message for a bad picture pattern"

# No ffmpeg on the path: a message that says how to install it, status 2, nothing written.
PATH=/nonexistent run --capture "$work/none.mp4" 2> "$work/err.txt"
[ $? -eq 2 ] || fail "a video capture without ffmpeg did not exit 2"
grep -q "apt-get install ffmpeg" "$work/err.txt" || fail "no install hint without ffmpeg"
[ ! -e "$work/none.mp4" ] || fail "a file was written without ffmpeg"

if ! command -v ffprobe > /dev/null; then
  echo "PASS (ffmpeg is not installed: the video checks were skipped)"
  exit 0
fi
probe() { ffprobe -v error -show_entries "stream=$2" -select_streams "$3" -of csv=p=0 "$1"; }

# A video with the music: H.264 and AAC, every frame there, both starting at 0.
run --capture "$work/show.mp4" --until 2 --quiet || fail "video capture exited $?"
[ "$(probe "$work/show.mp4" codec_name,nb_frames,r_frame_rate v)" = "h264,125/2,125" ] ||
  fail "video stream: $(probe "$work/show.mp4" codec_name,nb_frames,r_frame_rate v)"
[ "$(probe "$work/show.mp4" codec_name,start_time a)" = "aac,0.000000" ] ||
  fail "audio stream: $(probe "$work/show.mp4" codec_name,start_time a)"
# The first picture of the video is the start picture (compared loosely: it was encoded).
ffmpeg -v error -i "$work/show.mp4" -frames:v 1 -f rawvideo -pix_fmt gray - > "$work/first.gray"
python3 - "$work/first.gray" <<'PY' || fail "the video's first frame is not the start picture"
import sys
pixels = open(sys.argv[1], 'rb').read()
assert len(pixels) == 160 * 120 and sum(pixels) / len(pixels) > 8, 'black or missing'
PY
"$program" --data "$data" --capture "$work/odd.mp4" --size 161x121 --until 0.5 --quiet ||
  fail "a video of odd size exited $?"

# Ctrl-C: the capture stops after the frame in hand and the file plays up to there.
"$program" --size 160x120 --data "$data" --capture "$work/stopped.mp4" 2> "$work/stop.txt" &
pid=$!
poll 60 grep -q " [1-9][0-9]*/15063 frames" "$work/stop.txt" || { kill $pid; fail "the capture shows no progress"; }
kill -INT $pid
wait $pid
status=$?
[ $status -eq 130 ] || fail "an interrupted capture exited $status (want 130)"
grep -q "capture stopped" "$work/stop.txt" || fail "no message for the interrupted capture"
frames="$(probe "$work/stopped.mp4" nb_frames v)"
[ "${frames:-0}" -gt 0 ] && [ "$frames" -lt 15063 ] || fail "the interrupted video has ${frames:-no} frames"
grep -q "first $frames frames" "$work/stop.txt" || fail "the message does not match the $frames frames written"
ffmpeg -v error -i "$work/stopped.mp4" -f null - || fail "the interrupted video does not decode"
echo PASS
