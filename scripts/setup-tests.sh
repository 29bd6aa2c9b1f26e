#!/usr/bin/env bash
# Installs what building and running every test needs (scripts/test.sh):
# the window's packages (scripts/setup.sh) and the tests' tools.
set -euo pipefail
cd "$(dirname "$0")/.."

tools=(
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pil imagemagick
  desktop-file-utils appstream lintian dpkg-dev
  xvfb xauth
  python3-numpy
  g++-mingw-w64-x86-64 wine wine64 fonts-wine
  libopenmpi-dev openmpi-bin
  pybind11-dev python3-dev python3-pytest python3-hypothesis python3-pandas python3-tqdm
  # The Python module's estimator and its search over MPI ranks; its wheel,
  # built and installed offline into a venv (packaging/check_wheel.sh).
  python3-sklearn python3-mpi4py python3-setuptools python3-wheel python3-build python3-venv python3-pip
  emscripten fonttools chromium chromium-driver python3-selenium
  clang libclang-rt-14-dev
  zsh fish
  # The output tests hold a flush back with strace.
  strace
  # The manual (docs/): Sphinx with Markdown pages, the Python API from the
  # docstrings, the C and C++ API through Doxygen, the layer diagram drawn
  # by Graphviz, the benchmarks' pictures by matplotlib; kvs-doc links
  # Sphinx's scripts to Debian's copies.
  python3-sphinx python3-myst-parser python3-numpydoc doxygen python3-breathe graphviz libjs-sphinxdoc
  python3-matplotlib
)
exec scripts/setup.sh "${tools[@]}"
