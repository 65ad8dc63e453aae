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
