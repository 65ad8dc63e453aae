#!/usr/bin/env bash
# The picture on screens of other sizes, in real windows under Xvfb: --desktop on a 1920x1080
# screen shows the 800x600 picture scaled to 1440x1080, centred, with black bars of 240 pixels
# left and right, upright and lit; a window resized to another shape shows its picture scaled
# with the aspect kept and plays on to its end, both without an OpenGL error; --desktop cannot
# go with --headless.
source "$(dirname "$0")/common.sh"
command -v Xvfb > /dev/null || fail "Xvfb is not installed"
[ -f "$build/data/greet1.3ds" ] || { echo "SKIP: no generated data"; exit 0; }
here="$(cd "$(dirname "$0")" && pwd)"

"$program" --desktop --headless --data "$data" > "$work/refused.txt" 2>&1
[ $? -eq 2 ] || fail "--desktop with --headless was not refused with status 2"
grep -q -- "--desktop" "$work/refused.txt" || fail "no message for --desktop with --headless"

start_xvfb 121 1920x1080

shown() { xdotool search --onlyvisible --name '^#Vornix$' > /dev/null 2>&1; }
# screenshot FILE: the whole screen as a PNG.
screenshot() { ffmpeg -v error -y -f x11grab -video_size "$1" -i "$display" -frames:v 1 "$2"; }

# check SCREENSHOT X0 Y0 X1 Y1: the picture fills exactly that rectangle: black outside it (the
# bars), lit inside, and upright: the metaballs burn in the bottom band's left corner, where the
# top band's left corner (what a picture upside down would show there) stays dark.
check() {
  python3 - "$here/../support" "$@" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from pictures import read_png, region_mean
path, x0, y0, x1, y1 = sys.argv[2], *map(int, sys.argv[3:7])
width, height, rgb = read_png(path)
def mean(a, b, c, d):
    return region_mean(width, rgb, a, b, c, d)
bars = [mean(0, 0, x0, height), mean(x1, 0, width, height), mean(0, 0, width, y0), mean(0, y1, width, height)]
if max(bars) > 2:
    sys.exit(f"the bars are not black: means {[round(b, 1) for b in bars]}")
w, h = x1 - x0, y1 - y0
if mean(x0, y0, x1, y1) < 10:
    sys.exit(f"the picture is dark: mean {mean(x0, y0, x1, y1):.1f}")
# The bands are the top and bottom sixth; the metaballs sit in the bottom band's first tenth.
corner = (x0, y1 - h // 6, x0 + w // 10, y1)
mirror = (x0, y0, x0 + w // 10, y0 + h // 6)
if mean(*corner) < 3 * max(mean(*mirror), 1):
    sys.exit(f"not upright: bottom-left band {mean(*corner):.1f}, top-left band {mean(*mirror):.1f}")
print(f"picture {w}x{h} at {x0},{y0}: mean {mean(x0, y0, x1, y1):.1f}, bars black, metaballs bottom left")
PY
}

# --desktop: the 800x600 picture scaled to the screen's height, 1440 wide, centred.
"$program" --desktop --size 800x600 --data "$data" --until 8 --check-gl > "$work/desktop.txt" 2>&1 &
pid=$!
poll 60 shown || { kill $pid; fail "no --desktop window"; }
sleep 3 # into the show: the start picture is replaced by letterboxed scenes after loading
# On a loaded machine the show may still be between scenes after 3 s; a picture that is wrong
# (mirrored, dark, not letterboxed) stays wrong, so up to three screenshots a second apart.
for attempt in 1 2 3; do
  screenshot 1920x1080 "$work/desktop.png"
  check "$work/desktop.png" 240 0 1680 1080 && break
  [ $attempt -lt 3 ] || { kill $pid; fail "--desktop picture"; }
  sleep 1
done
poll 60 ended $pid || { kill $pid; fail "the --desktop run did not end"; }
wait $pid || fail "the --desktop run ended with $?: $(tail -n 3 "$work/desktop.txt")"

# A 640x480 window made 960x480: the picture 640x480 in the middle, bars of 160 at the sides.
"$program" --windowed --size 640x480 --data "$data" --until 8 --check-gl > "$work/resized.txt" 2>&1 &
pid=$!
poll 60 shown || { kill $pid; fail "no window"; }
window=$(xdotool search --onlyvisible --name '^#Vornix$' | head -n 1)
xdotool windowsize "$window" 960 480
poll 10 eval 'xdotool getwindowgeometry "$window" | grep -q "Geometry: 960x480"' || { kill $pid; fail "the window did not resize"; }
sleep 3 # frames of the new size: a frame is presented every 16 ms
x=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
read -r left top <<< "$x"
screenshot 1920x1080 "$work/resized.png"
python3 - "$here/../support" "$work/resized.png" "$left" "$top" "$work/window.png" <<'PY' || { kill $pid; fail "cropping"; }
import sys, struct, zlib
sys.path.insert(0, sys.argv[1])
from pictures import read_png
width, height, rgb = read_png(sys.argv[2])
left, top = int(sys.argv[3]), int(sys.argv[4])
w, h = 960, 480
rows = b''.join(b'\0' + bytes(rgb[((top + y) * width + left) * 3:((top + y) * width + left + w) * 3]) for y in range(h))
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b'')
open(sys.argv[5], 'wb').write(png)
PY
check "$work/window.png" 160 0 800 480 || { kill $pid; fail "resized window picture"; }
poll 60 ended $pid || { kill $pid; fail "the resized window's run did not end"; }
wait $pid || fail "the resized window's run ended with $?: $(tail -n 3 "$work/resized.txt")"
echo PASS
