#!/usr/bin/env bash
# A real SDL window under Xvfb: the demo opens windowed, a key sent with xdotool ends it, and the
# exit status is that key's virtual-key code.
source "$(dirname "$0")/common.sh"
command -v Xvfb > /dev/null || fail "Xvfb is not installed"
command -v xdotool > /dev/null || fail "xdotool is not installed"

start_xvfb 90 1024x768

# find_window WIDTH: prints the id of the visible window titled #Vornix of that width (the
# dialog and the demo window share their title, and X reuses window ids between connections).
find_window() {
  local width="$1" window
  for window in $(xdotool search --onlyvisible --name '^#Vornix$' 2>/dev/null); do
    if xdotool getwindowgeometry "$window" 2>/dev/null | grep -q "Geometry: ${width}x"; then
      echo "$window"
      return 0
    fi
  done
  return 1
}

# wait_window WIDTH: the same, waiting for the window to appear.
wait_window() {
  poll 60 find_window "$1" > "$work/window.id" || return 1
  cat "$work/window.id"
}

# shown TITLE: true once a window of exactly that title (a message box) exists. xdotool's search
# does not reliably find SDL's message boxes (they have no WM_CLASS), so the tree is read whole.
shown() { xwininfo -root -tree 2> /dev/null | grep -qF "\"$1\": ("; }

# press PID WINDOW KEYS...: sends keys to the window, then waits for the program to end.
press() {
  local pid="$1" window="$2"; shift 2
  # A fixed pause is needed here: X delivers a key only to a window that has the focus, and no
  # event tells from outside when the program has taken it after mapping its window.
  sleep 0.5
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" "$@"
  poll 60 ended $pid || { kill $pid; fail "the demo did not end on keys $*"; }
  local status=0
  wait $pid || status=$?
  release "$@"
  return $status
}

# release KEYS...: lifts the keys in the server. A program that ends on a key's press destroys
# its window before xdotool sends the release, which then fails: the key would stay down in the
# server, and the next program's window would see it pressed the moment it takes the focus.
release() { xdotool keyup "$@" 2> /dev/null || true; }

run_and_press() {
  "$program" --windowed --size 320x240 --data "$data" > "$work/out.txt" 2>&1 &
  local pid=$!
  local window
  window=$(wait_window 320) || { kill $pid; fail "no window titled #Vornix appeared"; }
  press $pid "$window" "$@"
}

run_and_press q
status=$?
[ $status -eq 81 ] || fail "key q gave status $status, expected 81 (VK 'Q'); $(cat "$work/out.txt")"
run_and_press Escape
status=$?
[ $status -eq 27 ] || fail "Escape gave status $status, expected 27"
# Alt+F4 is a system key: dispatched, it closes the window, which ends the show with status 0.
run_and_press alt+F4
status=$?
[ $status -eq 0 ] || fail "Alt+F4 gave status $status, expected 0"

# The settings dialog: uncheck Fullscreen, Tab to OK, Enter; the demo then opens windowed.
"$program" --data "$data" > "$work/out.txt" 2>&1 &
pid=$!
dialog=$(wait_window 296) || { kill $pid; fail "the settings dialog did not appear"; }
# The dialog takes the focus once its controls are made; as in press, give it that moment.
sleep 1
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key --window "$dialog" space Tab Tab Return
release Return
window=$(wait_window 800) || { kill $pid; fail "no demo window after OK"; }
press $pid "$window" Escape
status=$?
[ $status -eq 27 ] || fail "dialog, OK, Escape gave status $status, expected 27"

# Cancel ends with -1 (255) and no demo window.
"$program" --data "$data" > "$work/out.txt" 2>&1 &
pid=$!
dialog=$(wait_window 296) || { kill $pid; fail "the settings dialog did not appear"; }
press $pid "$dialog" Tab Return
status=$?
[ $status -eq 255 ] || fail "Cancel gave status $status, expected 255"
# Full screen in the display's own mode covers the screen at (0, 0).
"$program" --fullscreen --size 1024x768 --data "$data" > "$work/out.txt" 2>&1 &
pid=$!
window=$(wait_window 1024) || { kill $pid; fail "no full-screen window"; }
xdotool getwindowgeometry "$window" | grep -q "Position: 0,0" || fail "the full-screen window is not at 0,0"
press $pid "$window" Escape
[ $? -eq 27 ] || fail "full screen, Escape: wrong status"

# A mode the display does not have (1024x786) asks whether to go on windowed. The question's
# buttons stand where SDL lays them out on this 1024x768 screen: No at (466, 304), Yes at (556, 304).
"$program" --fullscreen --size 1024x786 --data "$data" > "$work/out.txt" 2>&1 &
pid=$!
poll 60 shown '#Vornix' || { kill $pid; fail "no full-screen fallback question"; }
xdotool mousemove 556 304 click 1
window=$(wait_window 1024) || { kill $pid; fail "\"Yes\" did not open a window"; }
xdotool getwindowgeometry "$window" | grep -q "Position: 200,100" || fail "the fallback window is not at 200,100"
xdotool getwindowgeometry "$window" | grep -q "Geometry: 1024x786" || fail "the fallback window is not 1024x786"
press $pid "$window" Escape
[ $? -eq 27 ] || fail "fallback window, Escape: wrong status"

"$program" --fullscreen --size 1024x786 --data "$data" > "$work/out.txt" 2>&1 &
pid=$!
poll 60 shown '#Vornix' || { kill $pid; fail "no full-screen fallback question"; }
xdotool mousemove 466 304 click 1   # No
poll 60 shown ERROR || { kill $pid; fail "\"No\" did not show \"Program Will Now Close.\""; }
xdotool mousemove 512 294 click 1   # OK on "Program Will Now Close."
poll 60 ended $pid || { kill $pid; fail "\"No\" did not end the program"; }
wait $pid
[ $? -eq 0 ] || fail "\"No\" should end with status 0"
echo PASS
