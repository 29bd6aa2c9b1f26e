#!/usr/bin/env bash
# Installs, from Debian 12's packages, what building and running the window
# program needs (scripts/run.sh), and any further packages named as
# arguments (scripts/setup-tests.sh names the tests' tools).
#   scripts/setup.sh [PACKAGE...]
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation fontconfig
  # The rest of the tree configures beside the window: the engine's k-d
  # tree, kvs's parser and gzip reader, and kvs study's plot.
  libnanoflann-dev libcli11-dev zlib1g-dev
  qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  "$@"
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
