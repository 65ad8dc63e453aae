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

# poll SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; fails after
# SECONDS. Every wait of the end-to-end tests is a poll with a generous limit, never a fixed
# sleep, so a loaded machine only makes them slower. TALVOREN_TEST_WAIT_SCALE multiplies every
# limit (sanitizer builds start several times slower).
poll() {
  local end=$((SECONDS + $1 * ${TALVOREN_TEST_WAIT_SCALE:-1}))
  shift
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# ended PID: true once that process has exited.
ended() { ! kill -0 "$1" 2> /dev/null; }
