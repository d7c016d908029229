#!/usr/bin/env bash
# Builds the Debian packages, checks their contents and dependencies, has
# lintian check them (no error, no warning, only the information listed
# below), installs them, builds and runs the C and C++ consumers against the
# system's files, starts the installed calibrator, and removes the packages
# again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh desktop-file-utils pkg-config lintian
scripts/package.sh
packages=(libfendrel2 libfendrel-dev fendrel-tools orvanta orvanta-simulators)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build-release/CPackConfig.cmake)
version+=-$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_RELEASE "\(.*\)")$/\1/p' build-release/CPackConfig.cmake)
libdir=/usr/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' build-release/CMakeCache.txt)
work=$(mktemp -d)
installed=false
finish() {
  $installed && apt-get purge -y -qq "${packages[@]}" >/dev/null
  rm -rf "$work"
}
trap finish EXIT
failed=0
fail() {
  echo "check-packages: $*" >&2
  failed=1
}

deb() { echo build-release/packages/"$1"_"$version"_*.deb; }
# field <package> <field>: one field of the package's control file.
field() { dpkg-deb -f $(deb "$1") "$2"; }
# depends <package> <regex>...: Depends has an entry matching each regex.
depends() {
  local package=$1 entry
  shift
  for entry in "$@"; do
    field "$package" Depends | tr ',' '\n' | sed 's/^ *//' | grep -qx "$entry" ||
      fail "$package does not depend on '$entry': $(field "$package" Depends)"
  done
}
# holds <package> <path>...: the package has each path (file or link).
holds() {
  local package=$1 path
  shift
  for path in "$@"; do
    grep -qx "\.$path\( -> .*\)\?" "$work/$package.contents" || fail "$package lacks $path"
  done
}

for package in "${packages[@]}"; do
  echo "== $(basename $(deb "$package"))"
  dpkg-deb -f $(deb "$package") Package Version Architecture Section Depends Recommends
  dpkg-deb -c $(deb "$package") | awk '{$1=$2=$3=$4=$5=""; print substr($0, 6)}' | tee "$work/$package.contents"
done

exact="(= $version)"
holds libfendrel2 "$libdir/libfendrel.so.2" "$libdir/libfendrel.so.2.$(cut -d. -f2- <<<"${version%-*}")"
depends libfendrel2 'libc6 .*' 'libstdc++6 .*'
dpkg-deb --ctrl-tarfile $(deb libfendrel2) | tar -xO ./shlibs | grep -qx "libfendrel 2 libfendrel2 (>= $version)" ||
  fail "libfendrel2 has no shlibs entry for libfendrel.so.2"
holds libfendrel-dev /usr/include/fendrel.h "$libdir/libfendrel.so" "$libdir/pkgconfig/fendrel.pc" \
  "$libdir/cmake/fendrel/fendrelConfig.cmake" "$libdir/cmake/fendrel/fendrelConfigVersion.cmake"
depends libfendrel-dev "libfendrel2 $exact"
holds fendrel-tools /usr/bin/fendrel-tool /usr/share/man/man1/fendrel-tool.1.gz /usr/bin/orvanta-rigctld \
  /usr/share/man/man1/orvanta-rigctld.1.gz
depends fendrel-tools "libfendrel2 $exact"
holds orvanta /usr/bin/pundor "$libdir/orvanta/pundor" "$libdir/orvanta/libfendrel.so" /usr/share/orvanta/pundor.chm \
  "$libdir/orvanta/pundor.chm" /usr/share/applications/orvanta.desktop /usr/share/icons/hicolor/scalable/apps/orvanta.svg \
  /usr/share/man/man1/{pundor,orvanta-autocal}.1.gz
depends orvanta "libfendrel2 $exact" 'libqt6widgets6 .*'
holds orvanta-simulators /usr/bin/orvanta-sim /usr/share/man/man1/orvanta-sim.1.gz \
  "$libdir"/orvanta/lib{drovapi32,vxaapi,vxbapi,vxcapi,vxdapi,vxeapi}.so
depends orvanta-simulators "orvanta $exact"
dpkg-deb -x $(deb orvanta) "$work/orvanta"
desktop-file-validate "$work/orvanta/usr/share/applications/orvanta.desktop" || fail "the desktop entry is not valid"
for package in "${packages[@]}"; do
  holds "$package" /usr/share/doc/"$package"/{copyright,changelog.Debian.gz}
done
((failed == 0)) || exit 1

echo "== lintian"
# Information lintian may give, and why it stays:
#   binary-has-unneeded-section: the compiler's .comment note, which CPack's
#     strip (objcopy --strip-unneeded) keeps; it costs a few bytes.
#   no-symbols-control-file: the shlibs file gives applications their
#     dependency on libfendrel2; a symbols file would repeat the nine exports.
#   hardening-no-fortify-functions for orvanta-rigctld: it calls none of the
#     C functions FORTIFY_SOURCE checks (its buffers go through the C++
#     library and whole-buffer socket reads); the flag is set as for the rest.
accepted=(binary-has-unneeded-section no-symbols-control-file)
accepted_lines=("I: fendrel-tools: hardening-no-fortify-functions [usr/bin/orvanta-rigctld]")
# With the -dbgsym packages, whose documentation folder is their package's.
lintian -I --pedantic --fail-on none $(for package in "${packages[@]}"; do deb "$package"; done) \
  build-release/packages/*-dbgsym_"$version"_*.ddeb >"$work/lintian"
cat "$work/lintian"
while read -r line; do
  read -r severity package tag _ <<<"$line"
  [[ $severity == [IPX]: && " ${accepted[*]} " == *" $tag "* ]] && continue
  printf '%s\n' "${accepted_lines[@]}" | grep -qxF "$line" && continue
  fail "lintian: $line"
done <"$work/lintian"
((failed == 0)) || exit 1

echo "== installing"
for package in "${packages[@]}"; do
  ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    { echo "check-packages: $package is installed already; remove it first" >&2; exit 1; }
done
installed=true
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  $(for package in "${packages[@]}"; do echo ./$(deb "$package"); done) >/dev/null

echo "== consumers against the system's files"
cc -std=c11 -Wall -Wextra -Werror fendrel/consumers/consumer.c $(pkg-config --cflags --libs fendrel) -o "$work/consumer-c"
"$work/consumer-c" "$work/c.cal"
cmake -S fendrel/consumers -B "$work/consumer-cxx" -G Ninja >/dev/null
grep -q "^fendrel_DIR:PATH=$libdir/cmake/fendrel$" "$work/consumer-cxx/CMakeCache.txt"
cmake --build "$work/consumer-cxx" >/dev/null
"$work/consumer-cxx/fendrel_consumer" "$work/cxx.cal"
fendrel-tool demo "$work/demo.cal" >/dev/null
scripts/check-installed-calibrator.sh /usr "$libdir"

echo "== removing"
apt-get purge -y -qq "${packages[@]}" >/dev/null
installed=false
for path in "$libdir/libfendrel.so.2" "$libdir/orvanta" /usr/bin/pundor /usr/include/fendrel.h; do
  [[ ! -e $path && ! -L $path ]] || fail "$path is still there after removal"
done
((failed == 0)) && echo "Package checks passed"
exit "$failed"
