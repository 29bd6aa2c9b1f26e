#!/usr/bin/env bash
# Installs what building, running and testing the program need on Debian 12.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation fontconfig
  python3 python3-pil imagemagick
  desktop-file-utils appstream lintian dpkg-dev
  xvfb xauth
  libnanoflann-dev python3-numpy python3-sklearn
  libcli11-dev zlib1g-dev
  g++-mingw-w64-x86-64 wine wine64 fonts-wine
  qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  libopenmpi-dev openmpi-bin
  emscripten fonttools chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
