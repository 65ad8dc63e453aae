#!/usr/bin/env bash
# Installs what is missing, builds, runs every test with ctest, then the package stage (the Debian
# package built, checked by lintian and tried unpacked: scripts/package-tests.sh), the Windows
# stage (the Windows build cross-compiled and tested under Wine: scripts/windows-tests.sh), gives each file
# reader's fuzz target a short run (scripts/fuzz.sh SECONDS runs them longer), and plays the
# opening of the show and a sample of damaged data sets under the sanitizers
# (scripts/sanitizer-checks.sh).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j2 "$@")
scripts/package-tests.sh
scripts/windows-tests.sh
scripts/fuzz.sh 10
scripts/sanitizer-checks.sh 30
