#!/usr/bin/env bash
# The Windows program in a real window under Wine: a windowed run to its --until, the keys that
# end the show with their virtual-key codes (Escape 27, q 81) and Alt+F4 through the system
# menu's close (0); the settings dialog driven by keyboard as Windows runs it: Enter and Escape
# do nothing, Space on the check box unchecks Fullscreen, Tab Tab reaches OK and Space plays;
# Cancel ends with -1 (255 to the Unix parent).
#   e2e_window.sh TALVOREN_EXE LINUX_BUILD
source "$(dirname "$0")/common.sh"

wine "$exe" --windowed --size 640x480 --data "$data" --until 8 --check-gl > "$work/until.txt" 2>&1
status=$?
[ $status -eq 0 ] || fail "--windowed --until 8 exited $status: $(tail -n 5 "$work/until.txt")"

# Dragging the window by its title bar: Windows runs its own loop meanwhile, and the frames must
# keep coming (without the 1 ms timer of the move loop they stop for as long as the drag lasts).
# The drag starts once the show does (its first timer event, at 0.05 s): while the program is
# still loading it handles no messages, and a drag made then is lost.
wine "$exe" --windowed --size 640x480 --data "$data" --until 10 --stats --trace > "$work/drag.txt" 2>&1 &
pid=$!
poll 60 window_with '#Vornix' 640x480 > /dev/null || { kill $pid; fail "no window to drag"; }
poll 60 grep -q '^event ' "$work/drag.txt" || { kill $pid; fail "the show did not start: $(tail -n 3 "$work/drag.txt")"; }
xdotool mousemove 400 111 mousedown 1
for step in $(seq 1 20); do
  xdotool mousemove $((400 + step * 3)) $((111 + step * 2))
  sleep 0.1 # a drag of two seconds at the pace of a hand
done
xdotool mouseup 1
# where the window is now, once it is no longer where it was placed
moved_away() { moved=$(windows '#Vornix' | awk '$3 == "640x480" { print $2 }'); [[ -n "$moved" && "$moved" != *+200+100 ]]; }
poll 10 moved_away || { kill $pid; fail "the drag did not move the window (it is at $moved)"; }
finish $pid
[ "$status" = 0 ] || fail "the dragged window's run ended with $status"
worst=$(tr -d '\r' < "$work/drag.txt" | sed -n 's/^pacing: .* worst \([0-9.]*\) ms$/\1/p')
[ -n "$worst" ] || fail "no pacing figures: $(tail -n 3 "$work/drag.txt")"
awk -v w="$worst" 'BEGIN { exit !(w < 250) }' || fail "frames stopped for $worst ms while the window was dragged"

# run_and_press KEYS...: a 640x480 window, the keys once it is up; sets status.
run_and_press() {
  wine "$exe" --windowed --size 640x480 --data "$data" > "$work/out.txt" 2>&1 &
  local pid=$! window
  poll 60 window_with '#Vornix' 640x480 > /dev/null || { kill $pid; fail "no 640x480 window titled #Vornix"; }
  window=$(window_with '#Vornix' 640x480)
  keys "$window" "$@"
  finish $pid
}
run_and_press Escape
[ "$status" = 27 ] || fail "Escape gave status $status, expected 27"
run_and_press q
[ "$status" = 81 ] || fail "q gave status $status, expected 81 (VK 'Q')"
run_and_press alt+F4
[ "$status" = 0 ] || fail "Alt+F4 gave status $status, expected 0"

# The dialog: 296x? client. It is the only #Vornix window before the demo's own.
dialog_up() { [ "$(windows '#Vornix' | wc -l)" -eq 1 ]; }
wine "$exe" --data "$data" > "$work/dialog.txt" 2>&1 &
pid=$!
poll 60 dialog_up || { kill $pid; fail "the settings dialog did not appear"; }
dialog=$(windows '#Vornix' | awk '{ print $1; exit }')
# Enter and Escape are ignored (OK is not the default button, Cancel is not IDCANCEL).
keys "$dialog" Return Escape
sleep 1 # nothing may happen: there is no event to wait for, so the pause is the check
ended $pid && fail "Enter or Escape closed the settings dialog"
keys "$dialog" space Tab Tab space
poll 60 window_with '#Vornix' 800x600 > /dev/null || { kill $pid; fail "no 800x600 window after OK: $(cat "$work/dialog.txt")"; }
keys "$(window_with '#Vornix' 800x600)" Escape
finish $pid
[ "$status" = 27 ] || fail "dialog, OK, Escape gave status $status, expected 27"

wine "$exe" --data "$data" > "$work/dialog.txt" 2>&1 &
pid=$!
poll 60 dialog_up || { kill $pid; fail "the settings dialog did not appear"; }
keys "$(windows '#Vornix' | awk '{ print $1; exit }')" Tab space
finish $pid
[ "$status" = 255 ] || fail "Cancel gave status $status, expected 255"
echo PASS
