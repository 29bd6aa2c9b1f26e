#!/usr/bin/env python3
"""Strong scaling of kvs search over MPI ranks, 1 thread each, and a peer.

Runs the built kvs on one table (n 20,000, d 2, s 10,001, dense) as one
process and under mpirun with 1 and 2 ranks, and the tree method on a table
whose centres cost very different amounts (tight clusters among scattered
rows), where only an even finish shows the balance. The peer is the same
dense search in numpy (one thread) over a sample of centres, measured in the
same run; the ratio is what counts on a shared machine.

  bench/cluster/mpi_scaling.py --kvs build/plain/kvs/kvs [--repetitions 3]
"""
import argparse
import json
import os
import random
import statistics
import subprocess
import tempfile
import time

import numpy

ENVIRONMENT = dict(os.environ, OMPI_MCA_btl_vader_single_copy_mechanism="none")


def write_table(path, rows):
    with open(path, "w") as out:
        out.write("".join(f"{x} {y}\n" for x, y in rows))


def uniform_rows(n, seed):
    random_rows = random.Random(seed)
    return [(random_rows.randint(-9999, 9999), random_rows.randint(-9999, 9999)) for _ in range(n)]


def clustered_rows(n, seed):
    """Two of every three rows in two tight clusters, the rest scattered."""
    random_rows = random.Random(seed)
    return [(500 * (i % 2) + random_rows.randint(-3, 3), random_rows.randint(-3, 3)) if i % 3 else
            (random_rows.randint(-99999, 99999), random_rows.randint(-99999, 99999)) for i in range(n)]


def timed_search(args, ranks, table, size, method):
    """Wall seconds of the whole run and of the search alone."""
    command = [args.kvs, "search", table, "-s", str(size), "-j", "1", "--method", method, "-q", "--format", "json"]
    if ranks:
        command = [args.mpirun, "--oversubscribe", "-np", str(ranks)] + \
                  (["--allow-run-as-root"] if os.geteuid() == 0 else []) + command
    start = time.monotonic()
    result = subprocess.run(command, capture_output=True, text=True, check=True, env=ENVIRONMENT)
    return time.monotonic() - start, json.loads(result.stdout)["search_seconds"]


def median_searches(args, table, size, method):
    """One process, 1 rank and 2 ranks, taken in turn so that the machine's
    drift touches all three alike; the median (wall, search) of each."""
    runs = {ranks: [] for ranks in (0, 1, 2)}
    for _ in range(args.repetitions):
        for ranks, times in runs.items():
            times.append(timed_search(args, ranks, table, size, method))
    return [tuple(statistics.median(column) for column in zip(*times)) for times in runs.values()]


def numpy_seconds_per_centre(rows, size, sample):
    table = numpy.array(rows, dtype=numpy.int64)
    start = time.monotonic()
    for centre in table[:sample]:
        keys = ((table - centre) ** 2).sum(axis=1)
        numpy.partition(keys, size - 1)[:size].sum()
    return (time.monotonic() - start) / sample


def scaling(args, folder, name, rows, size, method):
    table = os.path.join(folder, name + ".txt")
    write_table(table, rows)
    alone, one, two = median_searches(args, table, size, method)
    print(f"{name}, n {len(rows)}, s {size}, {method}: search seconds (wall seconds)")
    print(f"  one process {alone[1]:.2f} ({alone[0]:.2f}); 1 rank {one[1]:.2f} ({one[0]:.2f}); "
          f"2 ranks {two[1]:.2f} ({two[0]:.2f})")
    print(f"  speed-up {one[1] / two[1]:.2f}, efficiency {one[1] / (2 * two[1]):.0%} "
          f"(wall: {one[0] / two[0]:.2f}, {one[0] / (2 * two[0]):.0%})")
    return alone[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kvs", required=True)
    parser.add_argument("--mpirun", default="mpirun")
    parser.add_argument("--repetitions", type=int, default=3)
    args = parser.parse_args()
    rows = uniform_rows(20000, 1)
    with tempfile.TemporaryDirectory() as folder:
        alone = scaling(args, folder, "uniform", rows, 10001, "dense")
        scaling(args, folder, "clustered", clustered_rows(20000, 2), 200, "tree")
    peer = numpy_seconds_per_centre(rows, 10001, 1000)
    ours = alone / len(rows)
    print(f"dense, 1 thread: kvs {ours * 1e6:.0f} us a centre, {len(rows) ** 2 / alone / 1e6:.0f} M keys/s; "
          f"numpy {peer * 1e6:.0f} us a centre; kvs is {peer / ours:.1f}x numpy")


if __name__ == "__main__":
    main()
