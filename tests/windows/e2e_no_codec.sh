#!/usr/bin/env bash
# A Windows without an MP3 codec (the N editions): Wine's codec is turned off for these runs.
# Opening the music fails with the "Required Mediaplayer codec is not installed" box, and the show
# plays silently in step: headless, every timer event fires at the same demo time as in the Linux
# build's run with the music; in a window, the box is answered and the show runs on to its end.
#   e2e_no_codec.sh TALVOREN_EXE LINUX_BUILD
source "$(dirname "$0")/common.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;l3codeca.acm,winemp3.acm=d"

# The two runs go side by side, one per core.
"$linux/talvoren" --headless --size 160x120 --data "$data" --until 30 --trace > "$work/linux.txt" 2>&1 &
linux_pid=$!
wine "$exe" --headless --size 160x120 --data "$data" --until 30 --trace > "$work/windows.txt" 2>&1
status=$?
wait $linux_pid || fail "the Linux run failed"
[ $status -eq 0 ] || fail "the codec-less run exited $status: $(tail -n 3 "$work/windows.txt")"
grep -q "^: Required Mediaplayer codec is not installed" "$work/windows.txt" ||
  fail "no codec message: $(head -n 5 "$work/windows.txt")"
tr -d '\r' < "$work/windows.txt" | grep '^event ' > "$work/windows-events.txt"
grep '^event ' "$work/linux.txt" > "$work/linux-events.txt"
[ "$(wc -l < "$work/linux-events.txt")" -gt 20 ] || fail "too few events to compare"
diff "$work/linux-events.txt" "$work/windows-events.txt" > "$work/events.diff" ||
  fail "the silent show is out of step with the music's: $(head -n 6 "$work/events.diff")"

wine "$exe" --windowed --size 320x240 --data "$data" --until 4 > "$work/window.txt" 2>&1 &
pid=$!
# The box has an empty caption: it is the only window of that name.
poll 60 shown '' || { kill $pid; fail "no box about the missing codec"; }
keys "$(windows '' | awk '{ print $1; exit }')" Return
finish $pid
[ "$status" = 0 ] || fail "the codec-less window ended with $status"
echo PASS
