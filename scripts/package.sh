#!/usr/bin/env bash
# Builds the Debian packages libfendrel2, libfendrel-dev, fendrel-tools,
# orvanta and orvanta-simulators into build-release/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
# CPack reads the binaries with file and dpkg-shlibdeps.
scripts/install-deps.sh file dpkg-dev
scripts/build-release.sh
rm -rf build-release/packages
cpack --config build-release/CPackConfig.cmake
ls build-release/packages/*.deb
