#!/usr/bin/env bash
# Builds the Debian packages libfendrel2, libfendrel-dev, fendrel-tools,
# orvanta and orvanta-simulators, each with its -dbgsym package of debugging
# symbols, into build-release/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
# CPack reads the binaries with file and dpkg-shlibdeps, and splits off their
# debugging symbols with objcopy.
scripts/install-deps.sh file dpkg-dev binutils
scripts/build-release.sh
rm -rf build-release/packages
cpack --config build-release/CPackConfig.cmake
# CPack (3.25) lists the -dbgsym packages' files in their md5sums under its
# own staging folder: list them as they are installed. And, as in Debian's
# own -dbgsym packages, their documentation folder is the package's.
for ddeb in build-release/packages/*.ddeb; do
  tree=$(mktemp -d)
  chmod 755 "$tree"
  dpkg-deb -R "$ddeb" "$tree"
  name=$(dpkg-deb -f "$ddeb" Package)
  mkdir -p "$tree/usr/share/doc"
  ln -s "${name%-dbgsym}" "$tree/usr/share/doc/$name"
  (cd "$tree" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
  dpkg-deb --root-owner-group -b "$tree" "$ddeb" >/dev/null
  rm -rf "$tree"
done
ls build-release/packages/*.deb build-release/packages/*.ddeb
