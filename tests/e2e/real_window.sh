#!/usr/bin/env bash
# A real SDL window under Xvfb: the demo opens windowed, a key sent with xdotool ends it, and the
# exit status is that key's virtual-key code.
source "$(dirname "$0")/common.sh"
command -v Xvfb > /dev/null || fail "Xvfb is not installed"
command -v xdotool > /dev/null || fail "xdotool is not installed"

display=""
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done

run_and_press() {
  local key="$1"
  "$program" --windowed --size 320x240 --data "$data" > "$work/out.txt" 2>&1 &
  local pid=$!
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name '^#Vornix$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { kill $pid; fail "no window titled #Vornix appeared"; }
  sleep 0.5
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" "$key"
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && { kill $pid; fail "the demo did not end on key $key"; }
  wait $pid
}

run_and_press q
status=$?
[ $status -eq 81 ] || fail "key q gave status $status, expected 81 (VK 'Q'); $(cat "$work/out.txt")"
run_and_press Escape
status=$?
[ $status -eq 27 ] || fail "Escape gave status $status, expected 27"
echo PASS
