#!/usr/bin/env bash
# The program under AddressSanitizer, UBSan and LeakSanitizer: builds it in the instrumented
# build folder of the fuzz targets (scripts/fuzz.sh configures it), then plays the first
# SECONDS of the show with every frame checked for OpenGL errors (default 30), and the sample
# of damaged data sets, kept short for the test script: the files first used in the opening
# removed, the all-random run also to SECONDS, two runs at a time (every loader failing at once
# is the GL test of the director on an empty data folder). scripts/sanitized-show.sh and scripts/damaged-data.sh run longer by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build=build-fuzz
[ -f "$build/CMakeCache.txt" ] || { echo "run scripts/fuzz.sh first: it configures $build" >&2; exit 1; }
cmake --build "$build" -j2 --target talvoren >> "$build/fuzz-build.log" 2>&1 || { tail -n 60 "$build/fuzz-build.log"; exit 1; }
echo "The show under the sanitizers for $seconds s"
scripts/sanitized-show.sh "$build/talvoren" build/data "$seconds"
echo "Damaged data sets under the sanitizers"
SAMPLE_OPENING_ONLY=1 SAMPLE_RANDOM_UNTIL="$seconds" scripts/damaged-data.sh "$build/talvoren" build/data --sample --jobs 2
