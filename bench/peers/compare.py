#!/usr/bin/python3
"""Runs every benchmark case (cases.py) for kvs and for every peer
(peers.py) in one go, interleaved, and prints a table of median search
times, peak memory (the largest resident set of each process) and the ratio
of the best peer to kvs, then the BLAS each peer ran on.

    /usr/bin/python3 bench/peers/compare.py [BUILD_DIR] [--quick] [--cases 1,7]

BUILD_DIR (default build/plain) holds cli/kvs, or else the engine's own
driver bench/engine/engine_search, and bench/engine/window_series_table.
Each case runs in rounds; a round runs kvs, then each peer once, so that a
load on the machine weighs on both alike. The peers run with
OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE unset, so that OpenBLAS picks its
kernels for this processor. A peer that cannot finish a case in reasonable
time or memory is not run on it, and the table says so. --cases runs only
the given cases (counted from 1); --quick only the two smallest."""
import argparse
import json
import os
import selectors
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from cases import CASES, case_file_name, case_label, write_case  # noqa: E402
from peer_common import peer_environment  # noqa: E402
from peers import PEERS  # noqa: E402

TIMEOUT = 900  # seconds for one run
ROUNDS = 3
LONG = 120  # seconds: a peer run this long is not repeated

# Peers left out where they would run for hours: all n^2 distances of a
# million rows or more, and the k-d tree's 10^8 queries (10^7 take minutes).
SKIPPED = {
    ("numpy", 1000000): "n^2 = 10^12 distances: hours",
    ("sklearn brute", 1000000): "n^2 = 10^12 distances: hours",
    ("faiss", 1000000): "n^2 = 10^12 distances: hours",
    ("numpy", 10000000): "n^2 = 10^14 distances: days",
    ("sklearn brute", 10000000): "n^2 = 10^14 distances: days",
    ("faiss", 10000000): "n^2 = 10^14 distances: days",
    ("numpy", 100000000): "n^2 = 10^16 distances",
    ("sklearn brute", 100000000): "n^2 = 10^16 distances",
    ("faiss", 100000000): "n^2 = 10^16 distances",
    ("sklearn kd_tree", 100000000): "10^8 queries of 100 neighbours: hours",
}


def run_measured(command, env=None):
    """Runs a command; returns its JSON output, its own peak resident set in
    MiB (from wait4) and an error text when it failed or ran too long."""
    errors = tempfile.TemporaryFile()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=errors, env=env)
    deadline = time.monotonic() + TIMEOUT
    chunks = []
    selector = selectors.DefaultSelector()
    selector.register(process.stdout, selectors.EVENT_READ)
    while True:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            process.kill()
            os.wait4(process.pid, 0)
            return None, 0, "over %d s" % TIMEOUT
        if selector.select(timeout=min(remaining, 1.0)):
            chunk = process.stdout.read1(65536)
            if not chunk:
                break
            chunks.append(chunk)
        elif process.poll() is not None:
            break
    _, status, usage = os.wait4(process.pid, 0)
    errors.seek(0)
    message = errors.read().decode().strip()
    if status != 0:
        return None, 0, message.splitlines()[-1] if message else "failed"
    return json.loads(b"".join(chunks)), usage.ru_maxrss / 1024, None


def ours_command(build, path, size):
    kvs = os.path.join(build, "cli", "kvs")
    if os.path.exists(kvs):
        return [kvs, "search", path, "--size", str(size), "--format", "json", "--quiet"]
    return [os.path.join(build, "bench", "engine", "engine_search"), path, str(size)]


class Cell:
    """The runs of one program on one case."""

    def __init__(self):
        self.times, self.peak, self.centre, self.error, self.blas = [], 0, None, None, None

    def add(self, result, memory, error):
        if error:
            self.error = error
            return
        self.times.append(result["search_seconds"])
        self.peak = max(self.peak, memory)
        self.centre = result["centre"]
        self.blas = result.get("blas", self.blas)

    def median(self):
        return statistics.median(self.times) if self.times else None

    def text(self, centre):
        if self.error or not self.times:
            return "not run (%s)" % (self.error or "-")
        mark = "" if self.centre == centre else " (centre %d)" % self.centre
        return "%s, %.0f MiB%s" % (format_seconds(self.median()), self.peak, mark)


def run_case(case, path, env, run_ours):
    """Rounds of ours (run_ours() gives what run_measured gives) and every peer."""
    fast = case.rows * case.rows * case.dimension <= 10 ** 8
    ours = Cell()
    peers = {name: Cell() for name in PEERS}
    for name, cell in peers.items():
        if (name, case.rows) in SKIPPED:
            cell.error = SKIPPED[(name, case.rows)]
    for _ in range(ROUNDS):
        for _ in range(7 if fast else 1):
            ours.add(*run_ours())
            if ours.error:
                sys.exit("kvs failed on %s: %s" % (case_label(case), ours.error))
        for name, cell in peers.items():
            if cell.error or (cell.times and cell.times[0] > LONG):
                continue
            command = [sys.executable, os.path.join(HERE, "peers.py"), name, path, str(case.size), "5" if fast else "1"]
            cell.add(*run_measured(command, env=env))
    return ours, peers


def arguments(description):
    """The command line's build folder and the numbers of the cases to run."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("build", nargs="?", default="build/plain")
    parser.add_argument("--quick", action="store_true", help="only the two smallest cases")
    parser.add_argument("--cases", help="the cases to run, counted from 1: 1,7,8")
    options = parser.parse_args()
    chosen = range(1, len(CASES) + 1)
    if options.cases:
        chosen = [int(c) for c in options.cases.split(",")]
    if options.quick:
        chosen = [1, 2]
    return options.build, chosen


def main():
    build, chosen = arguments("kvs against its peers on the benchmark cases")
    env = peer_environment()
    print("ours:", ours_command(build, "FILE", "S")[0], file=sys.stderr)
    lines, blas = [], {}
    with tempfile.TemporaryDirectory() as folder:
        for number in chosen:
            case = CASES[number - 1]
            label = case_label(case)
            path = os.path.join(folder, case_file_name(case, number))
            write_case(case, path, build)
            print("case %d: %s" % (number, label), file=sys.stderr)
            ours, peers = run_case(case, path, env,
                                   lambda: run_measured(ours_command(build, path, case.size)))
            lines.append(table_row(label, ours.text(ours.centre), ours, peers, blas))
    print_table("kvs", lines, blas)


def table_row(label, ours_text, ours, peers, blas):
    """A case's row: ours, every peer and the best peer's ratio; notes the peers' BLAS in blas."""
    best = min((cell.median() for cell in peers.values() if cell.median()), default=None)
    ratio = "%.1fx" % (best / ours.median()) if best else "-"
    row = [label, ours_text] + [cell.text(ours.centre) for cell in peers.values()] + [ratio]
    blas.update({name: cell.blas for name, cell in peers.items() if cell.blas})
    print("   ", row, file=sys.stderr)
    return row


def print_table(ours, lines, blas):
    """The table of cases in Markdown, then the BLAS each peer ran on."""
    header = ["case", ours] + list(PEERS) + ["best peer / kvs"]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in lines:
        print("| " + " | ".join(row) + " |")
    print()
    for name, description in blas.items():
        print("%s ran on: %s" % (name, description))


def format_seconds(seconds):
    if seconds < 1:
        return "%.2f ms" % (seconds * 1000) if seconds < 0.1 else "%.0f ms" % (seconds * 1000)
    return "%.2f s" % seconds


if __name__ == "__main__":
    main()
