#!/usr/bin/env bash
# Cross-builds fendrel.dll (with its import library) and fendrel-tool.exe for
# 64-bit and 32-bit Windows with Debian's MinGW-w64, and runs the library's
# tests under Wine. Installs what it needs. Results land in
# build-windows/<arch>/bin; Wine keeps its prefix in build-windows/wine.
#   WINDOWS_ARCHES="x86_64" scripts/windows.sh    one architecture only
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
read -r -a arches <<<"${WINDOWS_ARCHES:-x86_64 i686}"

sudo=()
((EUID)) && sudo=(sudo)

apt_install() {
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -qq "$@"
}

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# The toolchains, GoogleTest's sources and Wine. 32-bit Wine comes from the
# i386 architecture; without it the 32-bit build is made but not tested.
install_deps() {
  local missing
  mapfile -t missing < <(missing_of cmake ninja-build googletest g++-mingw-w64-x86-64-posix \
    g++-mingw-w64-i686-posix wine wine64 wine32:i386)
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo[@]}" dpkg --add-architecture i386
  apt_install update
  if ! apt_install install -y --no-install-recommends "${missing[@]}"; then
    echo "windows.sh: 32-bit Wine cannot be installed" >&2
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | grep -vx 'wine32:i386')
    apt_install install -y --no-install-recommends "${missing[@]}"
  fi
}

# Wine keeps to the build folder, shows no window and prints no diagnostics.
# Mono and Gecko are not wanted, so their install dialogs never come up.
# Wine's 32-bit loader runs only where the kernel runs 32-bit programs (some
# machines have that switched off); there the 64-bit loader serves the 64-bit
# tests and the 32-bit build is made but not tested.
wine=wine
runs_32_bit=true
choose_wine() {
  if ! wine --version >/dev/null 2>&1 && [[ -x /usr/lib/wine/wine64 ]]; then
    wine=/usr/lib/wine/wine64
    export WINELOADER=$wine
    runs_32_bit=false
  fi
}

start_wine() {
  export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  unset DISPLAY WAYLAND_DISPLAY
  mkdir -p "$out"
  if [[ ! -f $WINEPREFIX/.ready ]]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    wineserver -w  # the registry is complete once the server has gone
    touch "$WINEPREFIX/.ready"
  fi
  # One server for all the test programs, stopped when the script ends.
  wineserver -k 2>/dev/null || true
  wineserver -p
  # Wine starts its services with the first program and they inherit its
  # output, which would keep a test's output open after the test has ended:
  # a first program writing nowhere starts them, and waits for commands on
  # descriptor 3 until the script ends.
  exec 3> >("$wine" cmd.exe >/dev/null 2>&1)
  trap 'wineserver -k 2>/dev/null || true' EXIT
}

# GoogleTest from Debian's sources, built with the same compiler as the tests.
build_googletest() {
  local arch=$1
  cmake -S /usr/src/googletest -B "$out/googletest-$arch/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-$arch.cmake" \
    -DCMAKE_INSTALL_PREFIX="$out/googletest-$arch" -Dgtest_disable_pthreads=ON >/dev/null
  cmake --build "$out/googletest-$arch/build" -j2
  cmake --install "$out/googletest-$arch/build" >/dev/null
}

# Whatever fendrel/ builds: the library, its tool and its tests.
build() {
  local arch=$1
  cmake -S . -B "$out/$arch" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-$arch.cmake" \
    -DGTest_DIR="$out/googletest-$arch/lib/cmake/GTest" \
    -DORVANTA_BUILD_PUNDOR=OFF -DORVANTA_BUILD_BENCHMARKS=OFF -DORVANTA_WINE="$(command -v "$wine")" >/dev/null
  cmake --build "$out/$arch" -j2
}

install_deps
choose_wine
start_wine
for arch in "${arches[@]}"; do
  echo "== $arch"
  build_googletest "$arch"
  build "$arch"
  if [[ $arch == i686 && ( -n $(missing_of wine32:i386) || $runs_32_bit == false ) ]]; then
    echo "windows.sh: no 32-bit Wine here; the 32-bit build is not tested" >&2
    continue
  fi
  ctest --test-dir "$out/$arch" --output-on-failure -j2
done
