#!/usr/bin/env bash
# Builds everything and starts the calibrator with the simulated receivers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
exec build/bin/pundor "$@"
