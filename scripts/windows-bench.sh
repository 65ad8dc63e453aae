#!/usr/bin/env bash
# Figures for the Windows build against the Linux build, measured in one run on this machine
# (not part of ./test.sh): the size of talvoren.exe and of the zip, the start-up time (the
# program's own start to its first frame: --frame 0 headless, the Wine server already running),
# and each scene's median and worst frame time over a headless whole show at 320x240 under Wine
# against the Linux build, with their ratio. Both renderers are Mesa's llvmpipe (Wine hands
# OpenGL to the same Mesa), so the ratio measures the Windows build and Wine's translation, not a
# different driver. Needs scripts/build.sh and scripts/build-windows.sh first.
set -uo pipefail
cd "$(dirname "$0")/.."
[ -x build/talvoren ] && [ -f build-windows/talvoren.exe ] || { echo "build both first" >&2; exit 1; }
source tests/windows/wine_session.sh
wine_session_start build-windows || exit 1
trap wine_session_stop EXIT
work="$(mktemp -d)"

echo "talvoren.exe: $(stat -c %s build-windows/talvoren.exe) bytes; zip: $(stat -c %s build-windows/talvoren-windows.zip) bytes"
echo "Linux program: $(stat -c %s build/talvoren) bytes (with debug information)"

# Start-up: to the first frame written (the start picture), best of three.
best() { sort -n | head -n 1; }
startup() {
  local i
  for i in 1 2 3; do
    local begin=$EPOCHREALTIME
    "$@" > /dev/null 2>&1
    awk -v b="$begin" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.2f\n", e - b }'
  done | best
}
linux_start=$(startup build/talvoren --headless --size 320x240 --data build/data --frame 0 "$work/l.png")
windows_start=$(startup wine build-windows/talvoren.exe --headless --size 320x240 --data build/data --frame 0 "$work/w.png")
echo "start-up to the first frame: Linux ${linux_start} s, Windows under Wine ${windows_start} s"

# The whole show, one after the other so neither takes the other's core.
build/talvoren --headless --size 320x240 --data build/data --mute --stats 2> "$work/linux.txt" > /dev/null
wine build-windows/talvoren.exe --headless --size 320x240 --data build/data --mute --stats 2> "$work/windows.txt" > /dev/null
python3 - "$work/linux.txt" "$work/windows.txt" <<'PY'
import re, sys
def scenes(path):
    out = {}
    for line in open(path, encoding='utf-8', errors='replace'):
        m = re.match(r'scene\s+(\d+):\s+(\d+) frames, median\s+([\d.]+) ms, worst\s+([\d.]+) ms', line.strip())
        if m:
            out[int(m.group(1))] = (int(m.group(2)), float(m.group(3)), float(m.group(4)))
    return out
linux, windows = scenes(sys.argv[1]), scenes(sys.argv[2])
print(f"{'scene':>5} {'frames':>6} {'Linux median':>13} {'Windows median':>15} {'ratio':>6} {'Linux worst':>12} {'Windows worst':>14}")
for scene in sorted(set(linux) | set(windows)):
    l, w = linux.get(scene), windows.get(scene)
    if not l or not w:
        print(f"{scene:>5} missing on one side")
        continue
    print(f"{scene:>5} {l[0]:>6} {l[1]:>10.2f} ms {w[1]:>12.2f} ms {w[1] / l[1]:>6.2f} {l[2]:>9.2f} ms {w[2]:>11.2f} ms")
PY
rm -rf "$work"
