#!/usr/bin/env bash
# Installs what the benchmarks that time the peers need (bench/peers/,
# bench/python/, bench/cluster/: numpy, scikit-learn and faiss, and
# threadpoolctl to say what they ran on) beside the tests' tools, and makes
# OpenBLAS the system's BLAS and LAPACK: the peers load whatever Debian's
# alternatives name, which may be the reference implementation chosen by
# hand. No test needs this; only those benchmarks do.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-tests.sh
scripts/setup.sh libopenblas0-pthread python3-numpy python3-sklearn python3-faiss python3-threadpoolctl

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for library in libblas.so.3 liblapack.so.3; do
  openblas=/usr/lib/$multiarch/openblas-pthread/$library
  current=$(update-alternatives --query "$library-$multiarch" 2>/dev/null | sed -n 's/^Value: //p')
  if [ "$current" != "$openblas" ]; then
    echo "Choosing OpenBLAS for $library"
    $sudo update-alternatives --set "$library-$multiarch" "$openblas"
  fi
done
