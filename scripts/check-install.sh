#!/usr/bin/env bash
# Installs build-release into a temporary prefix and moves the installed tree
# elsewhere; then, against the moved tree only, runs the installed programs as
# they are (they find the library relative to themselves), builds and runs a C
# receiver application through pkg-config and a C++ one through find_package,
# and starts the installed calibrator.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh pkg-config
scripts/build-release.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install build-release --prefix "$work/installed" >/dev/null
prefix=$work/moved
mv "$work/installed" "$prefix"
libdir=$prefix/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' build-release/CMakeCache.txt)

echo "Installed programs, with the library beside them"
# ldd takes $ORIGIN from the path it is given, the program from its real file.
for program in fendrel-tool orvanta-autocal; do
  loaded=$(env -u LD_LIBRARY_PATH ldd "$(realpath "$prefix/bin/$program")" | sed -n 's/^\s*libfendrel\.so\.2 => \(\S*\) .*/\1/p')
  [[ -n $loaded && $(realpath "$loaded") == $(realpath "$libdir/libfendrel.so.2") ]] ||
    { echo "check-install: $program loads '$loaded', not $libdir/libfendrel.so.2" >&2; exit 1; }
done
env -u LD_LIBRARY_PATH "$prefix/bin/fendrel-tool" demo "$work/demo.cal" >/dev/null
env -u LD_LIBRARY_PATH "$prefix/bin/fendrel-tool" show "$work/demo.cal" >/dev/null
env -u LD_LIBRARY_PATH "$prefix/bin/orvanta-autocal" --help >/dev/null

echo "C consumer through pkg-config"
flags=$(PKG_CONFIG_LIBDIR=$libdir/pkgconfig pkg-config --cflags --libs fendrel)
[[ $flags == *"-I$prefix/"* && $flags == *"-L$prefix/"* ]] ||
  { echo "check-install: pkg-config does not name the moved prefix $prefix: $flags" >&2; exit 1; }
cc -std=c11 -Wall -Wextra -Werror fendrel/consumers/consumer.c $flags -o "$work/consumer-c"
LD_LIBRARY_PATH=$libdir "$work/consumer-c" "$work/c.cal"

echo "C++ consumer through find_package"
cmake -S fendrel/consumers -B "$work/consumer-cxx" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
grep -q "^fendrel_DIR:PATH=$libdir/cmake/fendrel$" "$work/consumer-cxx/CMakeCache.txt"
cmake --build "$work/consumer-cxx" >/dev/null
"$work/consumer-cxx/fendrel_consumer" "$work/cxx.cal"

scripts/check-installed-calibrator.sh "$prefix" "$libdir"
echo "Install checks passed"
