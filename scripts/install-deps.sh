#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(build-essential cmake ninja-build clang libclang-rt-14-dev libgtest-dev libgmock-dev
          libbenchmark-dev qt6-base-dev fonts-liberation2 fp-utils xchm)
# The Python package's tests, with Debian's tools: they install it without downloading.
packages+=(python3-pytest python3-venv python3-setuptools python3-wheel)
# Signal generators: liblxi, which calls libtirpc without naming it.
packages+=(liblxi-dev libtirpc-dev)
# Radios Hamlib controls: the library, and its rigctl and rigctld for the tests.
packages+=(libhamlib-dev libhamlib-utils)
# A script that needs more names them: scripts/install-deps.sh xvfb x11vnc
packages+=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  ((EUID)) && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
fi
