#!/usr/bin/python3
"""The search as a numpy user would write it: exact int64 squared distances
for a block of centres at a time, np.partition for the s smallest of each,
and the smallest sum (the last of equal sums) wins.

    numpy_peer.py FILE SIZE [REPEATS]

Prints one JSON object: the centre (1-based), its score, and the median
search time over the repeats (loading the table is not timed)."""
import json
import statistics
import sys
import time

import numpy as np


def search(rows, size):
    n = len(rows)
    block = max(1, min(n, (32 << 20) // (8 * n)))  # about 32 MiB of distances at a time
    best_score, best_centre = None, 0
    for start in range(0, n, block):
        centres = rows[start:start + block]
        keys = ((centres[:, None, :] - rows[None, :, :]) ** 2).sum(axis=2)
        if size < n:
            keys = np.partition(keys, size - 1, axis=1)
        scores = keys[:, :size].sum(axis=1)
        low = scores.min()
        last = start + int(np.flatnonzero(scores == low)[-1])
        if best_score is None or low <= best_score:
            best_score, best_centre = int(low), last + 1
    return best_centre, best_score


def main():
    path, size = sys.argv[1], int(sys.argv[2])
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    rows = np.loadtxt(path, delimiter=",", dtype=np.int64, ndmin=2)
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        centre, score = search(rows, size)
        times.append(time.perf_counter() - start)
    print(json.dumps({"centre": centre, "score": score, "search_seconds": statistics.median(times)}))


if __name__ == "__main__":
    main()
