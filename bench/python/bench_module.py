#!/usr/bin/python3
"""kvs.search timed in a Python process, beside the peers a Python user
would reach for, in the same run: numpy, scikit-learn (brute force and
k-d tree) and faiss (an exact IndexFlatL2), on the benchmark's cases
(bench/peers/cases.py); then the binding's own cost at n = 1000.

    /usr/bin/python3 bench/python/bench_module.py [BUILD_DIR] [--quick] [--cases 1,7]

BUILD_DIR (default build/plain) holds the module (libkvs/python) and the
window's series tool. kvs.search runs in this process on the case's int32
array, as a Python user calls it; each peer runs in a process of its own
through bench/peers/peers.py, which times its search in that process as
well (the table already loaded) and names the BLAS it ran on, started
without the variables that pin OpenBLAS's kernels. Each case runs in rounds
(kvs, then each peer), so that a load on the machine weighs on all alike.

The binding's cost: kvs.search's whole call (arguments, table, the search's
thread, the result) against the search's own time, which the result's
seconds measures around the library's call, on the window's series."""
import argparse
import os
import statistics
import sys
import tempfile
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "peers"))

from cases import CASES, case_label, case_rows, write_case  # noqa: E402
from compare import LONG, ROUNDS, SKIPPED, Cell, format_seconds, run_measured  # noqa: E402
from peer_common import peer_environment  # noqa: E402
from peers import PEERS  # noqa: E402


def time_module(kvs, rows, size, runs):
    """The module as a cell of the table: whole calls, timed here."""
    cell = Cell()
    for _ in range(runs):
        start = time.perf_counter()
        result = kvs.search(rows, size)
        cell.add({"search_seconds": time.perf_counter() - start, "centre": result.centre + 1}, 0, None)
    return cell


def run_case(kvs, case, rows, path, env):
    fast = case.rows * case.rows * case.dimension <= 10 ** 8
    ours = Cell()
    peers = {name: Cell() for name in PEERS}
    for name, cell in peers.items():
        if (name, case.rows) in SKIPPED:
            cell.error = SKIPPED[(name, case.rows)]
    for _ in range(ROUNDS):
        round_cell = time_module(kvs, rows, case.size, 7 if fast else 1)
        ours.times += round_cell.times
        ours.centre = round_cell.centre
        for name, cell in peers.items():
            if cell.error or (cell.times and cell.times[0] > LONG):
                continue
            command = [sys.executable, os.path.join(HERE, "..", "peers", "peers.py"), name, path, str(case.size),
                       "5" if fast else "1"]
            cell.add(*run_measured(command, env=env))
    return ours, peers


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
    parser = argparse.ArgumentParser(description="kvs.search in Python against its peers")
    parser.add_argument("build", nargs="?", default="build/plain")
    parser.add_argument("--quick", action="store_true", help="only the two smallest cases")
    parser.add_argument("--cases", help="the cases to run, counted from 1: 1,7,8")
    options = parser.parse_args()
    sys.path.insert(0, os.path.join(options.build, "libkvs", "python"))
    import kvs

    chosen = [int(c) for c in options.cases.split(",")] if options.cases else range(1, len(CASES) + 1)
    if options.quick:
        chosen = [1, 2]
    env = peer_environment()
    print("kvs", kvs.__version__, "from", os.path.dirname(kvs.__file__), file=sys.stderr)
    lines, blas = [], {}
    with tempfile.TemporaryDirectory() as folder:
        for number in chosen:
            case = CASES[number - 1]
            rows = case_rows(case, options.build)
            path = os.path.join(folder, "table_%d.csv" % number)
            write_case(case, path, options.build)
            print("case %d: %s" % (number, case_label(case)), file=sys.stderr)
            ours, peers = run_case(kvs, case, rows, path, env)
            best = min((cell.median() for cell in peers.values() if cell.median()), default=None)
            ratio = "%.1fx" % (best / ours.median()) if best else "-"
            row = [case_label(case), format_seconds(ours.median())]
            row += [cell.text(ours.centre).replace(", 0 MiB", "") for cell in peers.values()] + [ratio]
            lines.append(row)
            blas.update({name: cell.blas for name, cell in peers.items() if cell.blas})
            print("   ", row, file=sys.stderr)

    header = ["case", "kvs.search"] + list(PEERS) + ["best peer / kvs"]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in lines:
        print("| " + " | ".join(row) + " |")
    print()
    for name, description in blas.items():
        print("%s ran on: %s" % (name, description))

    window = case_rows(CASES[0], options.build)
    print()
    print("The binding's cost, window's series (n %d, s %d), medians of 501 calls:" % (len(window), CASES[0].size))
    for name, table in (("int32 array, searched without a copy", window),
                        ("int64 array, read into int32", window.astype(np.int64))):
        search, beyond = binding_cost(kvs, table, CASES[0].size)
        print("  %s: search %.1f us, the call beyond it %.1f us = %.1f %% of the search"
              % (name, search * 1e6, beyond * 1e6, 100 * beyond / search))


if __name__ == "__main__":
    main()
