#!/usr/bin/env bash
# Builds the Release folder build-release, from which the install checks and
# the Debian packages are made. Installed under /usr, so that the library
# folder is Debian's multiarch one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build-release -j2
