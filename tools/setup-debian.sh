#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the demo need.
# Does nothing when they are all there already; uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ make           # native build
  googletest                           # GoogleTest source, built for both platforms
  g++-mingw-w64-x86-64-posix           # Windows cross-compiler (POSIX threads)
  binutils-mingw-w64-x86-64            # windres and windmc for resources and message tables
  wine wine64                          # runs the Windows test executables
  xvfb xauth                           # a display for the windowed tests
  libcrypto++-dev                      # independent cipher used as a test oracle
  iproute2                             # network namespaces for the discovery tests
  procps                               # ps, for the benchmark's memory figures
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
