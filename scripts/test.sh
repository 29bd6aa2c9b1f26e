#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test twice: once plainly and
# once under AddressSanitizer and UndefinedBehaviorSanitizer; builds kvs
# without the window; then cross-builds the Windows program and runs its tests
# under Wine, and builds the web page with Emscripten and runs its tests in
# headless Chromium, both beside the plain build; then fuzzes kvs's readers of
# tables, decimals and arguments for a while.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-tests.sh

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DKV_WERROR=ON "$@"
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

# The plain suite also builds the Debian package, validates it and unpacks it
# into a scratch folder (packaging/check_deb.sh), and runs kvs search over MPI
# ranks; the sanitized one is built without MPI, so it checks the
# single-process path (Open MPI's own allocations would read as leaks there).
# It also builds the manual with every warning an error and runs its examples
# (docs/, tests/docs/).
run_suite build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_MPI=ON
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCHMARKS=OFF -DKV_MPI=OFF
# kvs without the window, as a server or a cluster node builds it: configured
# where Qt cannot be found, all but the window built; installed into a
# scratch prefix, it loads no toolkit and holds no test seam.
nogui=build/nogui
cmake -S . -B "$nogui" -G Ninja -DKV_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_WINDOW=OFF -DKV_MPI=ON \
  -DKV_BENCHMARKS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
cmake --build "$nogui"  # all it makes: the library, kvs, the Python module and their tests
"$nogui/tests/cli/kvs_tests"
rm -rf "$nogui/install-check"
cmake --install "$nogui" --prefix "$nogui/install-check" > /dev/null
LD_LIBRARY_PATH=$(dirname "$(find "$nogui/install-check" -name libkvs.so.1)") \
  packaging/check_no_toolkit.sh "$nogui/install-check/bin/kvs"
packaging/check_no_test_seams.sh "$nogui/install-check"
# The Python module's wheel, built offline with its own CMake build of the
# module's target, installed and run in a fresh venv; then pip install of the
# source tree into another (about 3 minutes on 2 cores).
time packaging/check_wheel.sh build/wheel-check
run_suite build/win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_PLATFORM=win32 \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DKV_QT_REPLAY="$PWD/build/plain/tests/replay_window"
# Emscripten's own toolchain file, as emcmake passes it.
run_suite build/web -DCMAKE_BUILD_TYPE=Release -DKV_PLATFORM=web \
  -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
  -DKV_QT_REPLAY="$PWD/build/plain/tests/replay_window"
# The libFuzzer targets, built by clang under both sanitizers in a folder of
# their own (no toolkit): each corpus replayed, then each target fuzzed for
# 20 seconds (fuzz/CMakeLists.txt).
run_suite build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
