#!/usr/bin/env bash
# Configures and builds into ./build (Release-with-debug-info), two jobs at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build -j2 >> build.log 2>&1 || { tail -n 60 build.log; exit 1; }
echo "Built: build/talvoren"
