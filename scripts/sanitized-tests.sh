#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UBSan: builds every target with gcc,
# RelWithDebInfo and -fsanitize=address,undefined into build-asan/, then runs ctest there with
# every sanitizer report fatal. Too long for ./test.sh (the build alone takes a while on two
# cores); run it by hand before a change lands. Extra arguments go to ctest (e.g. -R Fsound).
#
# The end-to-end scripts wait four times longer than usual (TALVOREN_TEST_WAIT_SCALE), since
# an instrumented program starts several times slower.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build-asan
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DTALVOREN_SANITIZE=ON -DTALVOREN_BENCH=OFF > "$build.log" 2>&1 || { cat "$build.log"; exit 1; }
cmake --build "$build" -j2 >> "$build.log" 2>&1 || { tail -n 60 "$build.log"; exit 1; }
echo "Built the sanitized suite in $build"

export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1:verify_asan_link_order=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}"
# Mesa unloads its driver when a program terminates its display, before the leak check at exit:
# the blocks the driver's own globals still hold then look leaked, with no code left to name
# them. Keeping the driver loaded leaves them reachable, as they are (scripts/sanitized-show.sh
# does the same). Preloading it ahead of the ASan runtime is what verify_asan_link_order=0 allows;
# the test scripts' other programs (python3, ffmpeg) merely load it unused.
driver="$(ls /usr/lib/*/dri/swrast_dri.so /usr/lib*/dri/swrast_dri.so 2> /dev/null | head -n 1 || true)"
[ -z "$driver" ] || export LD_PRELOAD="$driver${LD_PRELOAD:+ $LD_PRELOAD}"
export TALVOREN_TEST_WAIT_SCALE="${TALVOREN_TEST_WAIT_SCALE:-4}"
cd "$build"
ctest --output-on-failure -j2 "$@"
