#!/usr/bin/env bash
# Full screen under Wine. On plain Xvfb the display has only its own mode, so 800x600 is refused
# and the question captioned "#Vornix" appears: Yes (its default button) goes on in a window whose
# client area is 800x600; No shows "Program Will Now Close." (caption ERROR) and ends with 0.
# Inside Wine's virtual desktop the mode really changes: the desktop is 800x600 while the show
# runs and its own 1024x768 again afterwards, whether the show ends by itself or by a key.
#   e2e_fullscreen.sh TALVOREN_EXE LINUX_BUILD
source "$(dirname "$0")/common.sh"
source "$here/wine_session.sh"

# box_up NAME: a message box of that caption is the only window of that name (not yet the demo).
box_up() { windows "$1" | awk '$3 != "800x600"' | grep -q .; }
box_of() { windows "$1" | awk '$3 != "800x600" { print $1; exit }'; }

wine "$exe" --fullscreen --size 800x600 --data "$data" > "$work/yes.txt" 2>&1 &
pid=$!
poll 60 box_up '#Vornix' || { kill $pid; fail "no fallback question captioned #Vornix"; }
keys "$(box_of '#Vornix')" Return
poll 60 window_with '#Vornix' 800x600 > /dev/null || { kill $pid; fail "Yes gave no window with an 800x600 client area"; }
keys "$(window_with '#Vornix' 800x600)" Escape
finish $pid
[ "$status" = 27 ] || fail "the fallback window ended with $status, expected 27"

wine "$exe" --fullscreen --size 800x600 --data "$data" > "$work/no.txt" 2>&1 &
pid=$!
poll 60 box_up '#Vornix' || { kill $pid; fail "no fallback question captioned #Vornix"; }
keys "$(box_of '#Vornix')" Tab space
poll 60 box_up ERROR || { kill $pid; fail "No did not show the ERROR box"; }
keys "$(box_of ERROR)" Return
finish $pid
[ "$status" = 0 ] || fail "No ended with $status, expected 0"
window_with '#Vornix' 800x600 > /dev/null && fail "No still opened a window"

# The virtual desktop: its X window is named after it.
wine_virtual_desktop on
desktop_is() { windows 'Default - Wine desktop' | awk -v s="$1" 'index($2, s "+") == 1' | grep -q .; }
restore_desktop() { wine_virtual_desktop off > /dev/null 2>&1; }
trap 'restore_desktop; rm -rf "$work"' EXIT
poll 60 desktop_is 1024x768 || fail "the virtual desktop did not come up at 1024x768: $(windows 'Default - Wine desktop')"
wine "$exe" --fullscreen --size 800x600 --data "$data" --until 6 > "$work/mode.txt" 2>&1 &
pid=$!
poll 60 desktop_is 800x600 || { kill $pid; fail "the display mode did not change to 800x600: $(windows 'Default - Wine desktop')"; }
finish $pid
[ "$status" = 0 ] || fail "the full-screen run ended with $status: $(tail -n 5 "$work/mode.txt")"
poll 30 desktop_is 1024x768 || fail "the desktop mode did not come back: $(windows 'Default - Wine desktop')"
# Ended by a key, too, the desktop gets its mode back.
wine "$exe" --fullscreen --size 800x600 --data "$data" > "$work/key.txt" 2>&1 &
pid=$!
poll 60 desktop_is 800x600 || { kill $pid; fail "the display mode did not change to 800x600 again"; }
sleep 1 # the show's window is inside the desktop, not an X window of its own: give it time to map
xdotool key Escape
finish $pid
[ "$status" = 27 ] || fail "Escape in full screen ended with $status, expected 27"
poll 30 desktop_is 1024x768 || fail "the desktop mode did not come back after Escape"
echo PASS
