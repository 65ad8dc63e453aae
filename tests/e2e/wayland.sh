#!/usr/bin/env bash
# The demo on a real Wayland compositor: Debian's weston inside Xvfb, with its X11 backend at a
# scale of 2 (so one point is two pixels, as on a HiDPI panel), and the demo with SDL's Wayland
# driver and no X display of its own. A 640x480 window plays to its end; keys typed into weston
# reach it and end it with their codes; the picture fills the window's whole 1280x960 drawable
# (not a quarter of it); full screen at 800x600 fills the output, SDL scaling its stand-in mode;
# 1024x786, a mode no output has, asks the fallback question (on standard error: a message box
# needs an X display, and there is none for the demo).
source "$(dirname "$0")/common.sh"
command -v weston > /dev/null || fail "weston is not installed"
command -v Xvfb > /dev/null || fail "Xvfb is not installed"
[ -f "$build/data/greet1.3ds" ] || { echo "SKIP: no generated data"; exit 0; }
here="$(cd "$(dirname "$0")" && pwd)"

start_xvfb 151 1600x1200
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket="talvoren-test-$$"
DISPLAY="$display" weston --backend=x11-backend.so --use-pixman --scale=2 --width=800 --height=600 --debug \
  --socket="$socket" > "$work/weston.log" 2>&1 &
weston=$!
trap 'kill $weston $xvfb 2> /dev/null; rm -rf "$work"' EXIT
poll 60 test -S "$XDG_RUNTIME_DIR/$socket" || fail "weston did not start: $(tail -n 5 "$work/weston.log")"

# Under the sanitizers, the leak suppressions that add SDL's Wayland backend to the usual ones.
wayland_lsan="${LSAN_OPTIONS:-}"
wayland_lsan="${wayland_lsan//lsan.supp/lsan-wayland.supp}"

# demo ARGS...: the demo on weston, in the background, its standard error in $work/demo.txt.
demo() {
  env -u DISPLAY SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY="$socket" LSAN_OPTIONS="$wayland_lsan" \
    "$program" --data "$data" --log "$@" > /dev/null 2> "$work/demo.txt" &
  pid=$!
}
started() { grep -q "worldInit() ENDS" "$work/demo.txt"; }
# type KEYS...: keys typed into weston's own X window (the X focus follows the pointer on a bare
# X server, so the pointer goes into it first), which hands them to the focused client.
type_keys() { DISPLAY="$display" xdotool mousemove 800 600 key "$@"; }
screenshot() { (cd "$work" && rm -f wayland-screenshot*.png && env -u DISPLAY WAYLAND_DISPLAY="$socket" weston-screenshooter && mv wayland-screenshot*.png "$1"); }
# widest_frame_line PNG: the longest run, in pixels, of the grey line above the show's middle
# band: neutral grey pixels with the black top band four rows above them. It spans the picture.
widest_frame_line() {
  python3 - "$here/../support" "$1" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from pictures import read_png
width, height, rgb = read_png(sys.argv[2])
best = 0
for y in range(4, height):
    run = 0
    for x in range(width):
        i, j = (y * width + x) * 3, ((y - 4) * width + x) * 3
        r, g, b = rgb[i], rgb[i + 1], rgb[i + 2]
        if r > 50 and abs(r - g) < 6 and abs(g - b) < 6 and max(rgb[j:j + 3]) < 12:
            run += 1
            best = max(best, run)
        else:
            run = 0
print(best)
PY
}

demo --windowed --size 640x480 --until 5
poll 60 ended $pid || { kill $pid; fail "the 5 s window did not end"; }
wait $pid || fail "the window on weston ended with $?: $(tail -n 5 "$work/demo.txt")"
grep -q "video driver wayland" "$work/demo.txt" || fail "SDL did not use Wayland: $(grep OpenGL "$work/demo.txt")"

demo --windowed --size 640x480
poll 60 started || { kill $pid; fail "the window did not start"; }
sleep 2 # into the show, past the start picture
screenshot "$work/window.png" || { kill $pid; fail "weston-screenshooter failed"; }
line=$(widest_frame_line "$work/window.png")
type_keys Escape
poll 60 ended $pid || { kill $pid; fail "Escape typed into weston did not end the demo"; }
wait $pid
status=$?
[ $status -eq 27 ] || fail "Escape through weston ended with $status, expected 27"
[ "$line" -ge 1270 ] && [ "$line" -le 1290 ] ||
  fail "the picture's frame line is $line pixels wide: it does not fill the 1280x960 drawable"

demo --windowed --size 640x480
poll 60 started || { kill $pid; fail "the window did not start"; }
type_keys q
poll 60 ended $pid || { kill $pid; fail "q typed into weston did not end the demo"; }
wait $pid
status=$?
[ $status -eq 81 ] || fail "q through weston ended with $status, expected 81"

demo --fullscreen --size 800x600 --until 6
poll 60 started || { kill $pid; fail "full screen did not start"; }
sleep 2
screenshot "$work/full.png" || { kill $pid; fail "weston-screenshooter failed"; }
poll 60 ended $pid || { kill $pid; fail "full screen did not end"; }
wait $pid || fail "full screen on weston ended with $?: $(tail -n 5 "$work/demo.txt")"
line=$(widest_frame_line "$work/full.png")
[ "$line" -ge 1590 ] || fail "full screen's frame line is $line pixels wide: it does not fill the 1600x1200 output"

demo --fullscreen --size 1024x786 --until 2
poll 60 ended $pid || { kill $pid; fail "1024x786 did not end"; }
wait $pid || fail "1024x786 ended with $?"
grep -q "The Requested Fullscreen Mode Is Not Supported By" "$work/demo.txt" || fail "no fallback question for 1024x786"
echo PASS
