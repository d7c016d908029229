#!/usr/bin/env bash
# Builds the calibration library and its tests under ASan+UBSan and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANTA_SANITIZE=ON \
  -DORVANTA_BUILD_PUNDOR=OFF -DORVANTA_BUILD_BENCHMARKS=OFF
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j2
