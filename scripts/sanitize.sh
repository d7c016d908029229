#!/usr/bin/env bash
# Builds everything (library, calibrator, simulators) and its tests under
# ASan+UBSan in build-asan and runs the whole suite with leak detection.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANTA_SANITIZE=ON \
  -DORVANTA_BUILD_BENCHMARKS=OFF
cmake --build build-asan
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2
