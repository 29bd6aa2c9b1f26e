#!/usr/bin/env python3
"""Strong scaling of kvs search over MPI ranks, 1 thread each, and a peer.

Runs the built kvs on one table (n 20,000, d 2, s 10,001, dense) as one
process and under mpirun with 1 and 2 ranks, and the tree method on a table
whose centres cost very different amounts (tight clusters among scattered
rows), where only an even finish shows the balance. Besides wall times, which
a shared machine blurs, it takes each rank's CPU seconds: their sum against
the one-rank run is the work that splitting adds.
The peer is the same dense search in numpy (one thread) over a sample of
centres, measured in the same run; the ratio is what counts here.
With --large-rows N it also runs the search the cost model picks (the grid)
for s 100, d 2 on N uniform rows on every core of this machine: as one process with a thread per core,
and as one rank per core (mpirun's default binding, a thread each), and as
one rank more than the cores, each with its default threads.

  /usr/bin/python3 bench/cluster/mpi_scaling.py --kvs build/plain/cli/kvs [--repetitions 3] [--large-rows 5000000]
"""
import argparse
import json
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import time

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


def rank_cpu_seconds(times_file, command):
    """As one rank of the job: runs kvs, then notes the CPU seconds it took."""
    result = subprocess.run(command, stdout=sys.stdout)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(times_file, "a") as out:
        out.write(f"{usage.ru_utime + usage.ru_stime}\n")
    return result.returncode


def timed_search(args, ranks, table, size, method, times_file, threads=["-j", "1"], binding=["--bind-to", "none"]):
    """Wall seconds of the run, its search seconds, and each rank's CPU seconds."""
    command = [args.kvs, "search", table, "-s", str(size), "--method", method, "-q", "--format", "json"] + threads
    command = [sys.executable, __file__, "--rank-times", times_file, "--"] + command
    if ranks:
        command = [args.mpirun, "--oversubscribe", "-np", str(ranks)] + binding + \
                  (["--allow-run-as-root"] if os.geteuid() == 0 else []) + command
    open(times_file, "w").close()
    start = time.monotonic()
    result = subprocess.run(command, capture_output=True, text=True, check=True, env=ENVIRONMENT)
    wall = time.monotonic() - start
    with open(times_file) as times:
        cpu = [float(line) for line in times]
    return wall, json.loads(result.stdout)["search_seconds"], cpu


def scaling(args, folder, name, rows, size, method):
    table = os.path.join(folder, name + ".txt")
    times_file = os.path.join(folder, "times")
    write_table(table, rows)
    # One process, 1 rank and 2 ranks in turn, so that the machine's drift
    # touches all three alike; the median of each.
    runs = {ranks: [] for ranks in (0, 1, 2)}
    for _ in range(args.repetitions):
        for ranks, results in runs.items():
            results.append(timed_search(args, ranks, table, size, method, times_file))
    wall, search, work = {}, {}, {}
    for ranks, results in runs.items():
        wall[ranks] = statistics.median(r[0] for r in results)
        search[ranks] = statistics.median(r[1] for r in results)
        work[ranks] = statistics.median(sum(r[2]) for r in results)
    print(f"{name}, n {len(rows)}, s {size}, {method}, 1 thread a rank; medians of {args.repetitions}:")
    for ranks, label in ((0, "one process"), (1, "1 rank"), (2, "2 ranks")):
        print(f"  {label:11}: search {search[ranks]:6.2f} s, wall {wall[ranks]:6.2f} s, "
              f"CPU of all ranks {work[ranks]:6.2f} s")
    print(f"  2 ranks against 1: speed-up {search[1] / search[2]:.2f}, efficiency {search[1] / (2 * search[2]):.0%} "
          f"(wall {wall[1] / (2 * wall[2]):.0%}); CPU work {work[2] / work[1]:.3f} of 1 rank's")
    return search[0]


def large_uniform(args, folder, rows):
    """The search of many uniform rows with every core of this machine busy,
    as one process and as ranks: the ranks must not be slower. The table is
    a .npy file, which kvs maps instead of parsing, so that the walls show
    the search and not the reading of text."""
    import numpy
    table = os.path.join(folder, "large.npy")
    times_file = os.path.join(folder, "times")
    numpy.save(table, numpy.random.default_rng(3).integers(-999999, 999999, (rows, 2), dtype=numpy.int32,
                                                           endpoint=True))
    cores = os.cpu_count()
    runs = {"one process": (0, ["-j", str(cores)], []),
            f"{cores} ranks": (cores, [], []),
            f"{cores + 1} ranks": (cores + 1, [], [])}
    results = {label: [] for label in runs}
    for _ in range(args.repetitions):
        for label, (ranks, threads, binding) in runs.items():
            results[label].append(timed_search(args, ranks, table, 100, "auto", times_file, threads, binding))
    print(f"uniform, n {rows}, s 100, auto (grid), on {cores} cores; medians of {args.repetitions}:")
    alone = statistics.median(r[1] for r in results["one process"])
    for label, timings in results.items():
        search = statistics.median(r[1] for r in timings)
        wall = statistics.median(r[0] for r in timings)
        work = statistics.median(sum(r[2]) for r in timings)
        print(f"  {label:11}: search {search:6.2f} s ({search / alone:.2f} of one process's), wall {wall:6.2f} s, "
              f"CPU of all ranks {work:6.2f} s")


def numpy_seconds_per_centre(rows, size, sample):
    import numpy
    table = numpy.array(rows, dtype=numpy.int64)
    start = time.monotonic()
    for centre in table[:sample]:
        keys = ((table - centre) ** 2).sum(axis=1)
        numpy.partition(keys, size - 1)[:size].sum()
    return (time.monotonic() - start) / sample


def main():
    if len(sys.argv) > 3 and sys.argv[1] == "--rank-times" and sys.argv[3] == "--":
        sys.exit(rank_cpu_seconds(sys.argv[2], sys.argv[4:]))
    parser = argparse.ArgumentParser()
    parser.add_argument("--kvs", required=True)
    parser.add_argument("--mpirun", default="mpirun")
    parser.add_argument("--repetitions", type=int, default=3)
    parser.add_argument("--large-rows", type=int, default=0)
    args = parser.parse_args()
    rows = uniform_rows(20000, 1)
    with tempfile.TemporaryDirectory() as folder:
        alone = scaling(args, folder, "uniform", rows, 10001, "dense")
        scaling(args, folder, "clustered", clustered_rows(20000, 2), 600, "tree")
        if args.large_rows:
            large_uniform(args, folder, args.large_rows)
    peer = numpy_seconds_per_centre(rows, 10001, 1000)
    ours = alone / len(rows)
    print(f"dense, 1 thread: kvs {ours * 1e6:.0f} us a centre ({len(rows) ** 2 / alone / 1e6:.0f} M keys/s); "
          f"numpy {peer * 1e6:.0f} us a centre; kvs is {peer / ours:.1f}x numpy")
    print("load average %.1f %.1f %.1f on %d cores" % (os.getloadavg() + (os.cpu_count(),)))


if __name__ == "__main__":
    main()
