#!/usr/bin/env bash
# Installs build-release into a temporary prefix and, against that prefix
# only, builds and runs a C receiver application through pkg-config and a C++
# one through find_package; then starts the installed calibrator.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh pkg-config
scripts/build-release.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install build-release --prefix "$prefix" >/dev/null
libdir=$prefix/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' build-release/CMakeCache.txt)

echo "C consumer through pkg-config"
flags=$(PKG_CONFIG_LIBDIR=$libdir/pkgconfig pkg-config --cflags --libs fendrel)
cc -std=c11 -Wall -Wextra -Werror fendrel/consumers/consumer.c $flags -o "$work/consumer-c"
LD_LIBRARY_PATH=$libdir "$work/consumer-c" "$work/c.cal"

echo "C++ consumer through find_package"
cmake -S fendrel/consumers -B "$work/consumer-cxx" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
grep -q "^fendrel_DIR:PATH=$libdir/cmake/fendrel$" "$work/consumer-cxx/CMakeCache.txt"
cmake --build "$work/consumer-cxx" >/dev/null
"$work/consumer-cxx/fendrel_consumer" "$work/cxx.cal"

scripts/check-installed-calibrator.sh "$prefix" "$libdir"
echo "Install checks passed"
