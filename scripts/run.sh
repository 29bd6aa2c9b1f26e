#!/usr/bin/env bash
# Sets up what the window needs, builds the window program and opens it.
# Its own build folder, configured without the tests, benchmarks, MPI, the
# Python module and the manual, so that nothing but the window's packages is
# needed (scripts/test.sh builds everything in build/plain).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/window -G Ninja -DKV_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_TESTS=OFF \
  -DKV_BENCHMARKS=OFF -DKV_MPI=OFF -DKV_PYTHON=OFF -DKV_DOCS=OFF
cmake --build build/window --target kestrand_vectors_subset
exec build/window/kestrand_vectors_subset
