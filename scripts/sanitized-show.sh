#!/usr/bin/env bash
# Plays the show headless under the sanitizers and fails on anything they or OpenGL report.
#
#   scripts/sanitized-show.sh PROGRAM DATA_DIR [SECONDS]
#
# PROGRAM is a build with ASan + UBSan (LeakSanitizer on); the show runs on the virtual clock at
# 160x120, muted, with --check-gl, to SECONDS of demo time (default: the whole show, which ends
# itself at 241 s). The run fails when the program exits with a status other than 0, when a
# sanitizer reports anything, when OpenGL reports an error, when a whole show does not reach its
# scheduled end, or when it takes longer than SHOW_TIMEOUT seconds (default 120 + 8 per second of
# show: a hang). Leaks of third-party libraries are suppressed by scripts/lsan.supp; every other
# leak is ours.
#
# SHOW_STDERR=FILE keeps the program's standard error (the sanitizer reports, the event trace) in
# FILE; otherwise the first lines of a failing run's report are printed.
set -uo pipefail

[ $# -ge 2 ] && [ $# -le 3 ] || { echo "usage: $0 PROGRAM DATA_DIR [SECONDS]" >&2; exit 2; }
program="$(realpath "$1")" || exit 2
data="$(realpath "$2")" || exit 2
seconds="${3:-}"
[ -x "$program" ] || { echo "$0: $program is not a program" >&2; exit 2; }
[ -d "$data" ] || { echo "$0: $data is not a folder" >&2; exit 2; }
[ -z "$seconds" ] || [[ "$seconds" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "$0: bad SECONDS $seconds" >&2; exit 2; }
here="$(cd "$(dirname "$0")" && pwd)"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}"

# Mesa unloads its driver when the display is terminated, before the leak check at exit: the
# blocks the driver's own globals still hold then look leaked, and since the code that made them
# is gone no stack frame can be named, so no suppression could match them. Keeping the driver
# loaded leaves them reachable, as they are. A runtime ASan shared library must come first in
# the list.
driver="$(ls /usr/lib/*/dri/swrast_dri.so /usr/lib*/dri/swrast_dri.so 2> /dev/null | head -n 1)"
if [ -n "$driver" ]; then
  asanRuntime="$(ldd "$program" 2> /dev/null | awk '/libasan\.so/ { print $3; exit }')"
  export LD_PRELOAD="${asanRuntime:+$asanRuntime }$driver${LD_PRELOAD:+ $LD_PRELOAD}"
fi

showEnd=241
args=(--headless --size 160x120 --mute --check-gl --trace --data "$data")
limit="${SHOW_TIMEOUT:-$((120 + 8 * showEnd))}"
if [ -n "$seconds" ]; then
  args+=(--until "$seconds")
  limit="${SHOW_TIMEOUT:-$((120 + 8 * ${seconds%.*}))}"
fi

err="${SHOW_STDERR:-}"
if [ -z "$err" ]; then
  err="$(mktemp)"
  trap 'rm -f "$err"' EXIT
fi

start=$SECONDS
timeout -k 10 "$limit" "$program" "${args[@]}" > /dev/null 2> "$err"
status=$?
elapsed=$((SECONDS - start))

problem=""
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  problem="no end after $limit s (a hang?)"
elif grep -q "Sanitizer\|runtime error:" "$err"; then
  problem="sanitizer: $(grep -m1 "ERROR: .*Sanitizer\|runtime error:" "$err" | cut -c1-160)"
elif grep -q "OpenGL error" "$err"; then
  problem="$(grep -c "OpenGL error" "$err") OpenGL errors, the first: $(grep -m1 "OpenGL error" "$err")"
elif [ $status -ne 0 ]; then
  problem="exit status $status"
elif [ -z "$seconds" ] && ! grep -q "^event 696969 " "$err"; then
  problem="the show ended before its scheduled end"
fi

if [ -n "$problem" ]; then
  echo "sanitized-show: FAIL after $elapsed s: $problem" >&2
  [ -n "${SHOW_STDERR:-}" ] || grep -v "^event " "$err" | head -n 60 >&2
  exit 1
fi
echo "sanitized-show: ok, ${seconds:-the whole show ($showEnd)} s of show in $elapsed s"
