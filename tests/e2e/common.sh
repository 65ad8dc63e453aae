# Shared by the end-to-end scripts: $1 is the program, $2 the build folder.
set -u
program="$1"
build="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data" "$work/pictures"
data="$work/pictures"
if [ -f "$build/data/start.jpg" ]; then
  data="$build/data"
else
  # No generated data yet: a start picture and music of our own, so no box stops a windowed run.
  "$build/tests/e2e_data" "$data" || fail "cannot make the stand-in data"
fi

fail() { echo "FAIL: $*" >&2; exit 1; }

# png_size FILE: prints "WIDTH HEIGHT" from the PNG header.
png_size() {
  python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    head = f.read(24)
assert head[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
print(*struct.unpack('>II', head[16:24]))
PY
}

source "$(dirname "${BASH_SOURCE[0]}")/../support/poll.sh"

# start_xvfb FIRST SIZE: an Xvfb with a SIZE (WIDTHxHEIGHT) screen on the first free display
# number from FIRST on (each script its own range, as ctest may run them side by side); sets
# display and xvfb (its process id), exports DISPLAY, stops the server on exit (a script with more
# to stop sets its own trap after), and waits until the server answers.
# -noreset: Xvfb otherwise resets each time its last client leaves, and a program connecting
# meanwhile is refused (no window, or a message box that falls back to the terminal).
start_xvfb() {
  local n
  display=""
  for n in $(seq "$1" $(($1 + 29))); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
  done
  [ -n "$display" ] || fail "no free X display number"
  Xvfb "$display" -screen 0 "$2x24" -nolisten tcp -noreset > "$work/xvfb.log" 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
  export DISPLAY="$display"
  poll 60 xdotool getdisplaygeometry > /dev/null 2>&1 || fail "Xvfb did not start"
}
