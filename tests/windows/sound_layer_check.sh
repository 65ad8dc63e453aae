#!/bin/bash
# The Windows sound layer against the Linux one, run under Wine:
#   (a) every MP3 (the demo's music and each fixture) decodes on Windows (ACM, trimmed here) to
#       the Linux build's gapless mpg123 output: the same number of samples per channel (within
#       one), aligned (the normalised cross-correlation around the loudest moment peaks within one
#       sample of lag 0), and, for undamaged files, within a few steps of rounding;
#   (b) with the MP3 codec switched off, opening the music fails with error 18 ("Required
#       Mediaplayer codec is not installed") and the silent clock still runs with the wall clock;
#   (c) on a PulseAudio null sink (a real-time device) the position runs with the wall clock.
#
# usage: sound_layer_check.sh LINUX_PROBE WINDOWS_PROBE_EXE DEMO_MP3 FIXTURES_DIR
# The caller provides WINEPREFIX, DISPLAY, WINEDEBUG=-all and a running wineserver, with Wine's
# audio drivers disabled in WINEDLLOVERRIDES; this script changes WINEDLLOVERRIDES only for its
# own runs and starts and stops its own PulseAudio. Exit status 0 when every check passes, 1 with
# a FAIL line for each one that does not.
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 LINUX_PROBE WINDOWS_PROBE_EXE DEMO_MP3 FIXTURES_DIR" >&2
    exit 2
fi
linux_probe=$1
windows_probe=$2
demo_mp3=$3
fixtures=$4

codec_missing_error=18
max_rounding_difference=64  # steps of 16 bits; the two builds' mpg123 differ by about 2
min_correlation=0.99        # at the best lag, for undamaged files
max_lag_searched=50         # lags tried either way, in samples
null_sink_seconds=7
rate_tolerance=0.02

status=0
work=$(mktemp -d /tmp/sound_layer_check.XXXXXX)
pulse_pid=""

fail() {
    echo "FAIL: $*"
    status=1
}

cleanup() {
    if [ -n "$pulse_pid" ]; then
        kill "$pulse_pid" 2>/dev/null
        wait "$pulse_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "$0")/wine_run.sh"
run_windows() {
    local out=$1
    shift
    wine_run "$out" "$windows_probe" "$@"
}

# WINEDLLOVERRIDES without the DLLs named in $1 (comma-separated) in any of its entries.
overrides_without() {
    local remove=",$1," result="" entry dlls mode kept dll
    local -a entries dll_list
    IFS=';' read -r -a entries <<<"${WINEDLLOVERRIDES:-}"
    for entry in "${entries[@]}"; do
        [ -z "$entry" ] && continue
        dlls=${entry%%=*}
        mode=""
        [[ $entry == *=* ]] && mode=${entry#*=}
        IFS=',' read -r -a dll_list <<<"$dlls"
        kept=""
        for dll in "${dll_list[@]}"; do
            [[ $remove == *",$dll,"* ]] || kept=${kept:+$kept,}$dll
        done
        [ -n "$kept" ] && result=${result:+$result;}$kept=$mode
    done
    echo "$result"
}

# Compares two raw 16-bit little-endian files of CHANNELS interleaved channels, trying lags up to
# MAX_LAG; prints "lag L correlation C max_difference D".
compare_samples() {
    python3 - "$@" <<'PYTHON'
import array, math, operator, sys

def load(path):
    samples = array.array('h')
    with open(path, 'rb') as f:
        samples.frombytes(f.read())
    if sys.byteorder != 'little':
        samples.byteswap()
    return samples

linux, windows, channels = load(sys.argv[1]), load(sys.argv[2]), int(sys.argv[3])
max_lag, window = int(sys.argv[4]), 8192
a, b = linux[0::channels], windows[0::channels]
n = min(len(a), len(b))
# The loudest block of the first channel: the correlation is taken around it.
loudest, start = -1, 0
for block in range(0, n, 4096):
    part = a[block:block + 4096]
    level = max(max(part), -min(part))
    if level > loudest:
        loudest, start = level, block
start = max(max_lag, min(start - window // 2, n - window - max_lag))
end = min(n - max_lag, start + window)

def correlation(lag):
    x, y = a[start:end], b[start + lag:end + lag]
    xy = sum(map(operator.mul, x, y))
    xx, yy = sum(map(operator.mul, x, x)), sum(map(operator.mul, y, y))
    return xy / math.sqrt(xx * yy) if xx > 0 and yy > 0 else 0.0

if end - start < 64:
    lag, best = 0, 1.0  # too short to correlate: compared sample for sample below
else:
    lag = max(range(-max_lag, max_lag + 1), key=correlation)
    best = correlation(lag)
shift = lag * channels
x = linux[max(0, -shift):len(linux) - max(0, shift)]
y = windows[max(0, shift):len(windows) - max(0, -shift)]
difference = max(map(abs, map(operator.sub, x, y)), default=0)
print("lag %d correlation %.6f max_difference %d" % (lag, best, difference))
PYTHON
}

field() { # the value after the word $1 on the last line of $2 that has it
    grep -o "$1 [-0-9.]*" "$2" | tail -n 1 | cut -d' ' -f2
}

echo "== (a) decoding: Windows (ACM) against Linux (mpg123, gapless)"
for mp3 in "$demo_mp3" "$fixtures"/*.mp3; do
    name=$(basename "$mp3")
    if ! "$linux_probe" mp3 "$mp3" "$work/linux.raw" >"$work/linux.txt" 2>&1; then
        fail "$name: the Linux probe did not run: $(cat "$work/linux.txt")"
        continue
    fi
    if ! run_windows "$work/windows.txt" mp3 "$mp3" "$work/windows.raw"; then
        fail "$name: the Windows probe did not run: $(cat "$work/windows.txt" "$work/windows.txt.err")"
        continue
    fi
    linux_rate=$(field rate "$work/linux.txt"); windows_rate=$(field rate "$work/windows.txt")
    linux_channels=$(field channels "$work/linux.txt"); windows_channels=$(field channels "$work/windows.txt")
    linux_frames=$(field frames "$work/linux.txt"); windows_frames=$(field frames "$work/windows.txt")
    line="$name: rate $linux_rate/$windows_rate channels $linux_channels/$windows_channels frames $linux_frames/$windows_frames (Linux/Windows)"
    if [ -z "$linux_frames" ] || [ -z "$windows_frames" ]; then
        fail "$line: a probe printed no frame count"
        continue
    fi
    if [ "$linux_rate" != "$windows_rate" ] || [ "$linux_channels" != "$windows_channels" ]; then
        fail "$line: the formats differ"
        continue
    fi
    count_difference=$((linux_frames - windows_frames))
    if [ "${count_difference#-}" -gt 1 ]; then
        fail "$line: the sample counts differ by $count_difference"
        continue
    fi
    if [ "$linux_frames" -eq 0 ]; then
        echo "$line: nothing to decode on either"
        continue
    fi
    comparison=$(compare_samples "$work/linux.raw" "$work/windows.raw" "$linux_channels" "$max_lag_searched")
    echo "$line $comparison"
    lag=$(echo "$comparison" | cut -d' ' -f2)
    correlation=$(echo "$comparison" | cut -d' ' -f4)
    difference=$(echo "$comparison" | cut -d' ' -f6)
    if [ -z "$lag" ] || [ "${lag#-}" -gt 1 ]; then
        fail "$name: the Windows samples are shifted by ${lag:-?} samples"
    fi
    # Damaged files may differ where the damage is: mpg123 drops the bit reservoir on a resync.
    case "$name" in
    damaged_*) ;;
    *) if [ -z "$difference" ] || [ "$difference" -gt "$max_rounding_difference" ]; then
           fail "$name: the samples differ by up to ${difference:-?}"
       fi
       if ! awk -v c="${correlation:-0}" -v m="$min_correlation" 'BEGIN { exit !(c >= m) }'; then
           fail "$name: the signals do not match within $max_lag_searched samples (correlation ${correlation:-?})"
       fi ;;
    esac
done

echo "== (b) no MP3 codec: error $codec_missing_error, and the silent clock"
WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}l3codeca.acm,winemp3.acm=d" run_windows "$work/nocodec.txt" play "$demo_mp3" 3
summary=$(grep '^device' "$work/nocodec.txt")
echo "$(grep '^open failed' "$work/nocodec.txt")"
echo "$summary"
open_error=$(field open_error "$work/nocodec.txt")
position=$(field position_ms "$work/nocodec.txt")
wall=$(field wall_ms "$work/nocodec.txt")
ratio=$(field ratio "$work/nocodec.txt")
if [ "$open_error" != "$codec_missing_error" ]; then
    fail "without the codec, opening the music gave error '${open_error:-none}', not $codec_missing_error"
fi
if ! awk -v p="${position:-0}" -v w="${wall:-0}" -v r="${ratio:-0}" -v t="$rate_tolerance" \
    'BEGIN { exit !(w > 0 && p >= 0.9 * w && r >= 1 - t && r <= 1 + t) }'; then
    fail "without the codec, the silent clock did not keep up: position ${position:-?} ms after ${wall:-?} ms, rate ${ratio:-?}"
fi

echo "== (c) a real-time device: PulseAudio's null sink"
pulse_dir="$work/pulse"
mkdir -p "$pulse_dir"
XDG_RUNTIME_DIR="$pulse_dir" HOME="$pulse_dir" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --load="module-native-protocol-unix auth-anonymous=1" --load="module-null-sink sink_name=nullsink" \
    >"$work/pulse.log" 2>&1 &
pulse_pid=$!
for _ in $(seq 100); do
    [ -S "$pulse_dir/pulse/native" ] && break
    sleep 0.1
done
if [ ! -S "$pulse_dir/pulse/native" ]; then
    fail "PulseAudio did not start: $(tail -n 3 "$work/pulse.log")"
else
    # Only PulseAudio is let through, so Wine cannot pick another driver.
    with_pulse="$(overrides_without winepulse.drv,winepulse)"
    with_pulse="${with_pulse:+$with_pulse;}winealsa.drv,wineoss.drv=d"
    XDG_RUNTIME_DIR="$pulse_dir" PULSE_SERVER="unix:$pulse_dir/pulse/native" WINEDLLOVERRIDES="$with_pulse" \
        run_windows "$work/nullsink.txt" play "$demo_mp3" "$null_sink_seconds"
    grep '^device' "$work/nullsink.txt"
    device=$(field device "$work/nullsink.txt")
    ratio=$(field ratio "$work/nullsink.txt")
    if [ "$device" != 1 ]; then
        fail "no waveOut device on the null sink"
    elif ! awk -v r="${ratio:-0}" -v t="$rate_tolerance" 'BEGIN { exit !(r >= 1 - t && r <= 1 + t) }'; then
        fail "on the null sink the position ran at ${ratio:-?} times the wall clock"
        grep '^at' "$work/nullsink.txt"
    fi
fi

if [ "$status" -eq 0 ]; then
    echo "PASS: the Windows sound layer matches the Linux one"
fi
exit "$status"
