#!/usr/bin/env bash
# Bad command lines and a missing display give a clear message and status 2, never a crash.
source "$(dirname "$0")/common.sh"

expect_error() {
  local pattern="$1"; shift
  "$program" "$@" > "$work/out.txt" 2> "$work/err.txt"
  local status=$?
  [ $status -eq 2 ] || fail "'$*' exited $status, expected 2"
  grep -q -- "$pattern" "$work/err.txt" || fail "'$*' did not say '$pattern': $(cat "$work/err.txt")"
}

expect_error 'unknown option "--bogus"' --bogus
expect_error 'Usage:' --bogus
expect_error 'malformed size' --size 800by600
expect_error 'needs' --size
expect_error 'no data folder found' --headless --data "$work/no-such-folder"
DISPLAY= WAYLAND_DISPLAY= expect_error 'use --windowed' --data "$data"

"$program" --help > "$work/help.txt" || fail "--help failed"
grep -q -- '--headless' "$work/help.txt" || fail "--help does not list --headless"
# --version needs neither data nor a display.
version=$(cd "$work" && DISPLAY= WAYLAND_DISPLAY= "$program" --version) || fail "--version failed"
[[ "$version" =~ ^talvoren\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed \"$version\""
echo PASS
