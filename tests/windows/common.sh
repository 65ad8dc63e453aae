# Shared by the Windows end-to-end checks (run by scripts/windows-tests.sh inside its Wine
# session): $1 is the Windows program, $2 the Linux build folder (its program and data set).
set -u
exe="$(realpath "$1")"
linux="$(realpath "$2")"
data="$linux/data"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

source "$here/../support/poll.sh"

# windows NAME: one line per top-level X window of that exact name: "ID WxH+X+Y CLIENT", where
# CLIENT is the size of its largest child (Wine draws the frame itself, so the client area is a
# child window) or "-" when it has none.
windows() { xwininfo -root -tree 2> /dev/null | python3 "$here/x_windows.py" "$1"; }

# window_with NAME CLIENT: the id of a window of that name whose client area is CLIENT (WxH).
window_with() { windows "$1" | awk -v c="$2" '$3 == c { print $1; found = 1; exit } END { exit !found }'; }

# shown NAME: true while a window of that name exists (a message box, a dialog).
shown() { [ -n "$(windows "$1")" ]; }

# focused WINDOW: true when the X focus is on the window or inside it.
focused() {
  local focus
  focus=$(xdotool getwindowfocus 2> /dev/null) || return 1
  [ "$focus" = "$(($1))" ] || xwininfo -id "$focus" -children 2> /dev/null | grep -q "Parent window id: $1 "
}

# keys WINDOW KEYS...: gives the window the focus and types the keys through XTEST (Wine ignores
# synthetic key events sent straight to a window).
keys() {
  local window="$1"
  shift
  xdotool windowfocus "$window" 2> /dev/null
  poll 10 focused "$window" || echo "note: window $window did not report the focus" >&2
  xdotool key --delay 50 "$@"
}

# finish PID: waits for the program (a child of this shell) to end, at most a minute, and sets
# status to its exit status ("timeout" when it had to be killed).
finish() {
  status=timeout
  poll 60 ended "$1" || { kill "$1"; return 0; }
  wait "$1"
  status=$?
}
