#!/usr/bin/python3
"""kvs.search timed in a Python process, beside the peers a Python user
would reach for, in the same run: numpy, scikit-learn (brute force and
k-d tree) and faiss (an exact IndexFlatL2), on the benchmark's cases
(bench/peers/cases.py); then the binding's own cost at n = 1000.

    /usr/bin/python3 bench/python/bench_module.py [BUILD_DIR] [--quick] [--cases 1,7]

BUILD_DIR (default build/plain) holds the module (python/) and the
window's series tool. kvs.search runs in this process on the case's int32
array, as a Python user calls it; each peer runs in a process of its own
through bench/peers/peers.py, which times its search in that process as
well (the table already loaded) and names the BLAS it ran on, started
without the variables that pin OpenBLAS's kernels. Each case runs in rounds
(kvs, then each peer), as bench/peers/compare.py runs them, so that a load
on the machine weighs on all alike.

The binding's cost: kvs.search's whole call (arguments, table, the result)
beyond the search's own time, which the result's seconds measures around
the library's call, on the window's series."""
import os
import statistics
import sys
import tempfile
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "peers"))

from cases import CASES, case_file_name, case_label, case_rows, write_case  # noqa: E402
from compare import arguments, format_seconds, print_table, run_case, table_row  # noqa: E402
from peer_common import peer_environment  # noqa: E402


def timed_search(kvs, rows, size):
    """One whole call, as run_measured reports a run (no memory of its own)."""
    start = time.perf_counter()
    result = kvs.search(rows, size)
    return {"search_seconds": time.perf_counter() - start, "centre": result.centre + 1}, 0, None


def binding_cost(kvs, rows, size, runs=501):
    """Medians of the search's own time and of what each call took beyond it, in seconds."""
    searches, beyond = [], []
    for _ in range(runs):
        start = time.perf_counter()
        result = kvs.search(rows, size)
        beyond.append(time.perf_counter() - start - result.seconds)
        searches.append(result.seconds)
    return statistics.median(searches), statistics.median(beyond)


def main():
    build, chosen = arguments("kvs.search in Python against its peers on the benchmark cases")
    sys.path.insert(0, os.path.join(build, "python"))
    import kvs

    env = peer_environment()
    print("kvs", kvs.__version__, "from", os.path.dirname(kvs.__file__), file=sys.stderr)
    lines, blas = [], {}
    with tempfile.TemporaryDirectory() as folder:
        for number in chosen:
            case = CASES[number - 1]
            rows = case_rows(case, build)
            path = os.path.join(folder, case_file_name(case, number))
            write_case(case, path, build)
            print("case %d: %s" % (number, case_label(case)), file=sys.stderr)
            ours, peers = run_case(case, path, env, lambda: timed_search(kvs, rows, case.size))
            lines.append(table_row(case_label(case), format_seconds(ours.median()), ours, peers, blas))
    print_table("kvs.search", lines, blas)

    window, size = case_rows(CASES[0], build), CASES[0].size
    print()
    print("The binding's cost, window's series (n %d, s %d), medians of 501 calls:" % (len(window), size))
    for name, table in (("int32 array, searched without a copy", window),
                        ("int64 array, read into int32", window.astype(np.int64))):
        search, beyond = binding_cost(kvs, table, size)
        print("  %s: search %.1f us, the call beyond it %.1f us = %.1f %% of the search"
              % (name, search * 1e6, beyond * 1e6, 100 * beyond / search))


if __name__ == "__main__":
    main()
