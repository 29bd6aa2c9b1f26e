#!/usr/bin/python3
"""The binding's own cost alone: kvs.search's whole call at n = 1000 (the
window's series, s 502) against the library's search inside it (the
result's seconds, measured around the C++ call on the same table), as
bench_module.py measures it after its cases, without the peers.

    /usr/bin/python3 bench/python/bench_binding.py [BUILD_DIR]

BUILD_DIR (default build/plain) holds the module (python/)."""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(sys.argv[1] if len(sys.argv) > 1 else "build/plain", "python"))
import kvs  # noqa: E402
from bench_module import binding_cost  # noqa: E402


def main():
    window = kvs.window_series([(120, -45)], 25).values
    print("kvs", kvs.__version__, "from", os.path.dirname(kvs.__file__), "load", os.getloadavg()[0])
    print("The binding's cost, window's series (n %d, s 502), medians of 501 calls:" % len(window))
    for name, table in (("int32 array, searched without a copy", window),
                        ("int64 array, read into int32", window.astype(np.int64))):
        search, beyond = binding_cost(kvs, table, 502)
        print("  %s: search %.1f us, the call beyond it %.1f us = %.1f %% of the search"
              % (name, search * 1e6, beyond * 1e6, 100 * beyond / search))


if __name__ == "__main__":
    main()
