#!/usr/bin/env bash
# Installs libkvs from a built tree into a scratch prefix, then builds the
# programs of this folder against it as a user would, once with CMake's
# find_package and once with pkg-config, and runs each: nearest.cpp and
# nearest.c must print the same answer, nearest_float.c its float twin's. The README's C++ quick start must show nearest.cpp as it is.
# Usage: check_consumer.sh BUILD_DIR WORK_DIR README
set -euo pipefail
build=$1 work=$2 readme=$3
here=$(cd "$(dirname "$0")" && pwd)
expected="centre 5, score 2, subset 5 2 3"
expected_float="centre 5, score 0.125 = 0x1 * 2^-3, subset 5 2 3"

fail() { echo "check_consumer: $*" >&2; exit 1; }
# check EXPECTED PROGRAM: the program runs and prints EXPECTED.
check() {
  local want=$1 said
  shift
  said=$("$@") || fail "$1 failed"
  [ "$said" = "$want" ] || fail "$1 printed '$said', not '$want'"
}

# The program the README's C++ quick start shows, as printed: its fenced
# block that opens with the include of kvs/search.h.
/usr/bin/python3 - "$readme" "$here/nearest.cpp" <<'PY' || fail "the README's C++ program is not nearest.cpp"
import re, sys
blocks = re.findall(r"^```cpp\n(.*?)^```", open(sys.argv[1]).read(), re.S | re.M)
shown = [block for block in blocks if block.startswith("#include <kvs/search.h>")]
sys.exit(shown != [open(sys.argv[2]).read()])
PY

rm -rf "$work"
prefix=$work/prefix
for component in library development; do
  cmake --install "$build" --prefix "$prefix" --component "$component" > /dev/null
done

# With find_package: the target carries the include folder and the library
# (and its location, so the programs run as built).
cmake -S "$here" -B "$work/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" > "$work/cmake.log" ||
  { cat "$work/cmake.log"; fail "find_package(kvs 1.1) failed"; }
cmake --build "$work/cmake" > "$work/build.log" || { cat "$work/build.log"; fail "the CMake build failed"; }
check "$expected" "$work/cmake/nearest"
check "$expected" "$work/cmake/nearest_c"
check "$expected_float" "$work/cmake/nearest_float"

# With pkg-config, in plain C99 and C++14 with every warning an error.
pc=$(find "$prefix" -name kvs.pc)
[ -n "$pc" ] || fail "no kvs.pc was installed"
flags=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs kvs)
c++ -std=c++14 -Wall -Wextra -pedantic -Werror "$here/nearest.cpp" $flags -o "$work/nearest"
cc -std=c99 -Wall -Wextra -pedantic -Werror "$here/nearest.c" $flags -o "$work/nearest_c"
cc -std=c99 -Wall -Wextra -pedantic -Werror "$here/nearest_float.c" $flags -o "$work/nearest_float"
libdir=$(dirname "$(dirname "$pc")")
LD_LIBRARY_PATH=$libdir check "$expected" "$work/nearest"
LD_LIBRARY_PATH=$libdir check "$expected" "$work/nearest_c"
LD_LIBRARY_PATH=$libdir check "$expected_float" "$work/nearest_float"
echo "check_consumer: find_package(kvs) and pkg-config kvs both build programs that find '$expected'" \
  "and '$expected_float'"
