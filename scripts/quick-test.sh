#!/usr/bin/env bash
# The check to run while working, in about a minute once built: installs the
# few tools it needs, builds the search library, kvs and the window's core
# (no window, MPI, Python module, benchmarks or manual) in build/quick, and
# runs their test programs and the layer check. scripts/test.sh runs
# everything.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh libgtest-dev libgmock-dev python3 python3-pytest
build=build/quick
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_WINDOW=OFF -DKV_MPI=OFF \
  -DKV_BENCHMARKS=OFF -DKV_PYTHON=OFF -DKV_DOCS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON > /dev/null
programs=(core_tests libkvs_tests cluster_tests kvs_tests)
cmake --build "$build" --target "${programs[@]}"
ctest --test-dir "$build" --output-on-failure -R "^layers\\."
for program in "${programs[@]}"; do
  path=$(find "$build/tests" -name "$program" -type f -executable | head -n 1)
  echo "== $program"
  KV_SOURCE_DIR=$PWD "$path" --gtest_brief=1
done
echo "quick-test: every test passed"
