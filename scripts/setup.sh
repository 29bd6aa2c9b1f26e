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
  libopenblas0-pthread python3-faiss python3-threadpoolctl
  libcli11-dev zlib1g-dev
  g++-mingw-w64-x86-64 wine wine64 fonts-wine
  qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  libopenmpi-dev openmpi-bin
  pybind11-dev python3-dev python3-pytest python3-hypothesis python3-pandas python3-tqdm
  emscripten fonttools chromium chromium-driver python3-selenium
  clang libclang-rt-14-dev
  zsh fish
  strace
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The benchmark's peers (numpy, scikit-learn, faiss) load the BLAS and LAPACK
# that Debian's alternatives name: make them OpenBLAS's, never the reference
# implementation (which may have been chosen by hand).
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for library in libblas.so.3 liblapack.so.3; do
  openblas=/usr/lib/$multiarch/openblas-pthread/$library
  current=$(update-alternatives --query "$library-$multiarch" 2>/dev/null | sed -n 's/^Value: //p')
  if [ "$current" != "$openblas" ]; then
    echo "Choosing OpenBLAS for $library"
    $sudo update-alternatives --set "$library-$multiarch" "$openblas"
  fi
done
