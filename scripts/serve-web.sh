#!/usr/bin/env bash
# Sets up the machine, builds the window as a web page and serves its folder
# on this machine's loopback address; open the address it prints.
#   scripts/serve-web.sh [PORT]     (default 8000)
set -euo pipefail
cd "$(dirname "$0")/.."

port=${1:-8000}
scripts/setup.sh emscripten fonttools
emcmake cmake -S . -B build/web -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_PLATFORM=web
cmake --build build/web --target kestrand_vectors_subset
echo "Open http://127.0.0.1:${port}/ in a browser (Ctrl-C stops the server)."
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/web
