#!/usr/bin/env bash
# Sets up the machine, builds the program and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/plain -G Ninja -DKV_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_MPI=ON
cmake --build build/plain --target kestrand_vectors_subset
exec build/plain/kestrand_vectors_subset
