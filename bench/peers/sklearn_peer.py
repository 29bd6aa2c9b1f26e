#!/usr/bin/python3
"""The search with scikit-learn's NearestNeighbors: the s nearest rows of
every row (the row itself included), the sum of their squared distances, and
the smallest sum (the last of equal sums) wins. Distances are floating point,
so on ties the centre may differ from the exact one.

    sklearn_peer.py FILE SIZE ALGORITHM [REPEATS]     (ALGORITHM: brute or kd_tree)

Prints one JSON object like numpy_peer.py. Every core is used (n_jobs=-1)."""
import json
import statistics
import sys
import time

import numpy as np
from sklearn.neighbors import NearestNeighbors


def search(rows, size, algorithm):
    index = NearestNeighbors(n_neighbors=size, algorithm=algorithm, n_jobs=-1).fit(rows)
    block = max(1, min(len(rows), (64 << 20) // (16 * size)))  # queries per call, to bound the result's memory
    scores = np.empty(len(rows))
    for start in range(0, len(rows), block):
        distances, _ = index.kneighbors(rows[start:start + block])
        scores[start:start + block] = (distances ** 2).sum(axis=1)
    low = scores.min()
    centre = int(np.flatnonzero(scores == low)[-1]) + 1
    return centre, float(low)


def main():
    path, size, algorithm = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    rows = np.loadtxt(path, delimiter=",", dtype=np.float64, ndmin=2)
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        centre, score = search(rows, size, algorithm)
        times.append(time.perf_counter() - start)
    print(json.dumps({"centre": centre, "score": score, "search_seconds": statistics.median(times)}))


if __name__ == "__main__":
    main()
