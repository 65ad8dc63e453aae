#!/usr/bin/env bash
# The Windows stage of ./test.sh: cross-builds the Windows program and its tests
# (scripts/build-windows.sh), writes the inputs the Windows tests read (made by the Linux build,
# which must exist: scripts/build.sh), and runs everything under Wine on one Xvfb with one
# persistent wineserver:
#   - the unit suites of the Windows test program (ctest in build-windows, Wine as emulator);
#   - the program in a real window: keys, Alt+F4, the settings dialog (tests/windows/e2e_window.sh);
#   - full screen: the fallback question, Yes and No, a real mode change (e2e_fullscreen.sh);
#   - capture through a stand-in ffmpeg.exe and into PNG pictures (e2e_capture.sh);
#   - a Windows without an MP3 codec: the box and a silent show in step (e2e_no_codec.sh);
#   - the JPEG and PNG layers over WIC against libjpeg-turbo and libpng (jpeg_layer_check.sh);
#   - the MP3 layer over ACM and waveOut against mpg123, and real-time play (sound_layer_check.sh);
#   - eight frames of the show against the Linux build's, by PSNR (e2e_frames.sh).
# Every check runs even when one fails; the stage fails if any did. Logs: build-windows/logs/.
set -uo pipefail
cd "$(dirname "$0")/.."
stage_start=$SECONDS
[ -x build/talvoren ] && [ -f build/data/demo.mp3 ] || { echo "build the Linux program first (scripts/build.sh)" >&2; exit 1; }
scripts/build-windows.sh || exit 1
windows=build-windows
logs="$windows/logs"
fixtures="$(realpath "$windows")/fixtures"
rm -rf "$logs" "$fixtures"
mkdir -p "$logs" "$fixtures"
build/tests/windows_fixtures "$fixtures" > "$logs/fixtures.log" 2>&1 || { cat "$logs/fixtures.log"; exit 1; }
TALVOREN_RECORD_INPUTS="$fixtures" build/tests/unit_tests > "$logs/record-inputs.log" 2>&1 ||
  { tail -n 20 "$logs/record-inputs.log"; exit 1; }

source tests/windows/wine_session.sh
wine_session_start "$windows" || exit 1
trap wine_session_stop EXIT
echo "Wine session ready after $((SECONDS - stage_start)) s"

failures=0
# check NAME COMMAND...: runs one check with its output in the log; a line with the outcome.
check() {
  local name="$1" start=$SECONDS
  shift
  if "$@" > "$logs/$name.log" 2>&1; then
    echo "PASS $name ($((SECONDS - start)) s)"
  else
    echo "FAIL $name ($((SECONDS - start)) s): $logs/$name.log"
    grep -E 'FAIL|Failure|FAILED' "$logs/$name.log" | head -n 10 | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

exe="$windows/talvoren.exe"
linux_probe=build/tools/layer-probe/layer-probe
windows_probe="$windows/tests/windows/layer-probe.exe"
check unit_tests env TALVOREN_FIXTURES="$fixtures" ctest --test-dir "$windows" --output-on-failure
check window tests/windows/e2e_window.sh "$exe" build
check fullscreen tests/windows/e2e_fullscreen.sh "$exe" build
check capture tests/windows/e2e_capture.sh "$exe" build "$windows/ffmpeg-stub"
check no_codec tests/windows/e2e_no_codec.sh "$exe" build
check jpeg_layer tests/windows/jpeg_layer_check.sh "$linux_probe" "$windows_probe" "$fixtures" build/data ../shared/testdata
check sound_layer tests/windows/sound_layer_check.sh "$linux_probe" "$windows_probe" build/data/demo.mp3 "$fixtures"
check frames tests/windows/e2e_frames.sh "$exe" build
sed -n '/seconds/,/PASS\|FAIL/p' "$logs/frames.log"

echo "Windows stage: $((SECONDS - stage_start)) s, $failures failed"
[ $failures -eq 0 ]
