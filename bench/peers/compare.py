#!/usr/bin/python3
"""Runs every benchmark case for kvs and for the peers in one go and prints a
table of median search times, the ratio of the best peer to kvs, and peak
memory (the largest resident set of each process).

    /usr/bin/python3 bench/peers/compare.py [BUILD_DIR] [--quick]

BUILD_DIR (default build/plain) holds kvs, or else the engine's own driver
bench/engine/engine_search, and bench/engine/window_series_table. The peers run
with OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE unset, so that OpenBLAS tunes
itself for this machine. A peer that cannot finish a case in reasonable time
or memory is not run on it, and the table says so. --quick runs only the two
smallest cases, to try the script out."""
import json
import os
import random
import selectors
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TIMEOUT = 900  # seconds for one peer run

# name, rows, dimension, size, seed ("window" is the window's series)
CASES = [
    ("window's series", 1000, 2, 502, None),
    ("uniform", 4000, 2, 2002, 1),
    ("uniform", 20000, 2, 10001, 2),
    ("uniform", 20000, 2, 20, 3),
    ("uniform", 1000000, 2, 100, 4),
    ("uniform", 10000, 16, 5001, 5),
]

# Peers left out where they would run for hours or need all the memory:
# numpy and brute force compute all n^2 distances.
SKIPPED = {
    ("numpy", 1000000): "n^2 = 10^12 distances: hours",
    ("sklearn brute", 1000000): "n^2 = 10^12 distances: hours",
}


def write_uniform(path, rows, dimension, seed):
    generator = random.Random(seed)
    with open(path, "w") as file:
        for _ in range(rows):
            file.write(",".join(str(generator.randint(-1000000, 1000000)) for _ in range(dimension)) + "\n")


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
    kvs = os.path.join(build, "kvs", "kvs")
    if os.path.exists(kvs):
        return [kvs, "search", path, "--size", str(size), "--format", "json", "--quiet"]
    return [os.path.join(build, "bench", "engine", "engine_search"), path, str(size)]


def main():
    arguments = [a for a in sys.argv[1:] if not a.startswith("--")]
    quick = "--quick" in sys.argv
    build = arguments[0] if arguments else "build/plain"
    peer_env = {k: v for k, v in os.environ.items() if k not in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")}
    python = sys.executable
    peers = [
        ("numpy", lambda path, size, repeats: [python, os.path.join(HERE, "numpy_peer.py"), path, str(size), str(repeats)]),
        ("sklearn brute", lambda path, size, repeats: [python, os.path.join(HERE, "sklearn_peer.py"), path, str(size), "brute", str(repeats)]),
        ("sklearn kd_tree", lambda path, size, repeats: [python, os.path.join(HERE, "sklearn_peer.py"), path, str(size), "kd_tree", str(repeats)]),
    ]
    print("ours:", " ".join(ours_command(build, "FILE", "S")[:1]), file=sys.stderr)
    rows_out = []
    with tempfile.TemporaryDirectory() as folder:
        for name, n, d, s, seed in CASES:
            if quick and n > 4000:
                continue
            path = os.path.join(folder, "table_%d_%d.csv" % (n, d))
            if seed is None:
                with open(path, "w") as file:
                    subprocess.run([os.path.join(build, "bench", "engine", "window_series_table")], stdout=file, check=True)
            else:
                write_uniform(path, n, d, seed)
            label = "%s n %d, s %d, d %d" % (name, n, s, d)
            print("case:", label, file=sys.stderr)
            fast = n * n * d <= 10 ** 8
            times, peak, centre = [], 0, None
            for _ in range(21 if fast else 3):
                result, memory, error = run_measured(ours_command(build, path, s))
                if error:
                    sys.exit("kvs failed on %s: %s" % (label, error))
                times.append(result["search_seconds"])
                peak = max(peak, memory)
                centre = result["centre"]
            ours = statistics.median(times)
            peer_cells, best_peer = [], None
            for peer, command in peers:
                if (peer, n) in SKIPPED:
                    peer_cells.append("not run (%s)" % SKIPPED[(peer, n)])
                    continue
                result, memory, error = run_measured(command(path, s, 5 if fast else 1), env=peer_env)
                if error:
                    peer_cells.append("not run (%s)" % error)
                    continue
                seconds = result["search_seconds"]
                mark = "" if result["centre"] == centre else " (centre %d)" % result["centre"]
                peer_cells.append("%s, %.0f MiB%s" % (format_seconds(seconds), memory, mark))
                best_peer = seconds if best_peer is None else min(best_peer, seconds)
            ratio = "%.0fx" % (best_peer / ours) if best_peer else "-"
            rows_out.append([label, "%s, %.0f MiB" % (format_seconds(ours), peak)] + peer_cells + [ratio])
            print("  ", rows_out[-1], file=sys.stderr)
    header = ["case", "kvs", "numpy", "sklearn brute", "sklearn kd_tree", "best peer / kvs"]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows_out:
        print("| " + " | ".join(row) + " |")


def format_seconds(seconds):
    if seconds < 1:
        return "%.2f ms" % (seconds * 1000) if seconds < 0.1 else "%.0f ms" % (seconds * 1000)
    return "%.2f s" % seconds


if __name__ == "__main__":
    main()
