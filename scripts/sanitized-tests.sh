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
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1}"
export TALVOREN_TEST_WAIT_SCALE="${TALVOREN_TEST_WAIT_SCALE:-4}"
cd "$build"
ctest --output-on-failure -j2 "$@"
