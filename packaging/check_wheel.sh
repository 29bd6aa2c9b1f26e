#!/bin/sh
# The Python module as pip users get it, offline: builds its wheel
# (python3 -m build --no-isolation: setuptools runs the project's CMake for
# the module's target alone), installs it into a fresh venv made with
# Debian's packages beside it (numpy, pandas, scikit-learn, pytest), and
# checks there that kvs is the wheel's, carries libkvs inside (no
# libkvs.so.1 is loaded), and runs the Python guide's examples and the docstrings'.
# Then `pip install --no-build-isolation .` into a second venv, which reuses
# the wheel's CMake build.
# Usage: check_wheel.sh SCRATCH_FOLDER
set -eu
source=$(cd "$(dirname "$0")/.." && pwd)
work=${1:?usage: check_wheel.sh SCRATCH_FOLDER}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

(cd "$source" && /usr/bin/python3 -m build --wheel --no-isolation --outdir "$work/dist")
/usr/bin/python3 -m venv --system-site-packages "$work/wheel"
"$work/wheel/bin/pip" install --no-index --quiet "$work"/dist/kvs-*.whl

cd "$work"  # not the source tree: kvs can only come from the venv
check_import='
import os, sys
import kvs
here = os.path.realpath(sys.prefix)
assert os.path.realpath(kvs.__file__).startswith(here + os.sep), f"kvs from {kvs.__file__}, not from {here}"
with open("/proc/self/maps") as maps:
    assert "libkvs.so" not in maps.read(), "libkvs.so is loaded: the extension does not carry libkvs"
print("kvs", kvs.__version__, "from", os.path.dirname(kvs.__file__), "searches:", kvs.search([[0], [1], [5]], 2).centre)
'
"$work/wheel/bin/python" -c "$check_import"
KV_SOURCE_DIR="$source" PYTHONDONTWRITEBYTECODE=1 \
  "$work/wheel/bin/python" -m pytest -q -p no:cacheprovider "$source/tests/python/test_documentation.py"

/usr/bin/python3 -m venv --system-site-packages "$work/pip"
"$work/pip/bin/pip" install --no-index --no-build-isolation --quiet "$source"
"$work/pip/bin/python" -c "$check_import"
