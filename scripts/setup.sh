#!/usr/bin/env bash
# Installs everything Quillomat needs to build and test on Debian 12: the
# native toolchain and test libraries, MinGW-w64 for the Windows programs,
# 64-bit Wine, a headless X server and xdotool. Safe to run again.
set -eu
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev file
    libgtest-dev googletest libbenchmark-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    wine64 fonts-wine xvfb xdotool x11-utils imagemagick python3
    nsis zip unzip
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
