#!/usr/bin/env bash
# Builds the Release folder build-release, from which the install checks and
# the Debian packages are made. Installed under /usr, so that the library
# folder is Debian's multiarch one. Compiled and linked with Debian's build
# flags and all their hardening (stack protector, FORTIFY_SOURCE, format
# checks, full RELRO with BIND_NOW), as a Debian package is; with debugging
# information, which the packages split into their -dbgsym packages. The
# Release optimisation (-O3) comes after Debian's -O2 and wins: this build is
# the benchmarks' too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh dpkg-dev
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cppflags=$(flags CPPFLAGS) ldflags=$(flags LDFLAGS)
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$cppflags $(flags CFLAGS)" -DCMAKE_CXX_FLAGS="$cppflags $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
cmake --build build-release -j2
