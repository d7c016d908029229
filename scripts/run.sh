#!/usr/bin/env bash
# Builds everything and starts the calibrator with the simulated receivers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-} ]]; then
  echo "run.sh: no display found (DISPLAY or WAYLAND_DISPLAY); the calibrator needs a desktop." >&2
  echo "        Built in build/bin/; start build/bin/pundor from a desktop session." >&2
  exit 1
fi
exec build/bin/pundor "$@"
