#!/usr/bin/env bash
# Headless rendering through an EGL device: forced onto the device path, this machine's only
# device is Mesa's software one; the log names the platform, the device's extensions and the
# renderer, and the frames are byte for byte those of the surfaceless platform.
source "$(dirname "$0")/common.sh"

frames() { echo --frame 0.5 "$1-a.png" --frame 3 "$1-b.png"; }
TALVOREN_EGL_PLATFORM=device "$program" --headless --size 160x120 --data "$data" --mute --log \
  $(frames "$work/device") > /dev/null 2> "$work/device.txt" || fail "the device path failed: $(tail -n 3 "$work/device.txt")"
TALVOREN_EGL_PLATFORM=surfaceless "$program" --headless --size 160x120 --data "$data" --mute --log \
  $(frames "$work/surfaceless") > /dev/null 2> "$work/surfaceless.txt" || fail "the surfaceless path failed"
"$program" --headless --size 160x120 --data "$data" --mute --log --until 0.1 > /dev/null 2> "$work/default.txt" ||
  fail "the default path failed"

grep -q "^OpenGL: EGL device platform, device [0-9]* of [0-9]* (.*EGL_MESA_device_software.*), renderer ." "$work/device.txt" ||
  fail "the log does not name the device: $(grep OpenGL "$work/device.txt")"
grep -q "^OpenGL: EGL surfaceless platform, renderer ." "$work/surfaceless.txt" ||
  fail "the log does not name the surfaceless platform: $(grep OpenGL "$work/surfaceless.txt")"
# With only a software device, the default order ends on the surfaceless platform.
grep -q "^OpenGL: EGL surfaceless platform" "$work/default.txt" ||
  fail "without a hardware device the default is not the surfaceless platform: $(grep OpenGL "$work/default.txt")"
for f in a b; do
  cmp -s "$work/device-$f.png" "$work/surfaceless-$f.png" || fail "frame $f differs between the two paths"
done
echo PASS
