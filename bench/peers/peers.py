#!/usr/bin/python3
"""The peers of the benchmark, by the names its table uses, and the command
line that times one of them on a table file.

    peers.py NAME FILE SIZE [REPEATS]

Every peer is a function search(rows, size) -> (centre, score): rows a 2-D
integer numpy array (one row per vector), size s; centre the 0-based row
whose s smallest squared distances have the smallest sum (the last of equal
sums), score that sum. Import it from here (with bench/peers on sys.path):

    from peers import PEERS, peer_search
    centre, score = peer_search("faiss")(rows, 100)

The command line prints one JSON object: the centre counted from 1 (as
`kvs search` prints it), the score, the median search time over the repeats
(loading the table is not timed) and the BLAS the process ran on
(threadpoolctl). Start it with peer_common.peer_environment(), so that
OpenBLAS picks its kernels for this processor."""
import functools
import importlib
import json
import statistics
import sys
import time

# name: (module, keyword arguments of its search)
PEERS = {
    "numpy": ("numpy_peer", {}),
    "sklearn brute": ("sklearn_peer", {"algorithm": "brute"}),
    "sklearn kd_tree": ("sklearn_peer", {"algorithm": "kd_tree"}),
    "faiss": ("faiss_peer", {}),
}


def peer_search(name):
    """The search function of the named peer; its libraries load on first use."""
    module, arguments = PEERS[name]
    return functools.partial(importlib.import_module(module).search, **arguments)


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in PEERS:
        sys.exit("usage: peers.py NAME FILE SIZE [REPEATS]    (NAME: %s)" % ", ".join(PEERS))
    from peer_common import blas_description, load_table

    name, path, size = sys.argv[1], sys.argv[2], int(sys.argv[3])
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    search = peer_search(name)
    rows = load_table(path)
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        centre, score = search(rows, size)
        times.append(time.perf_counter() - start)
    print(json.dumps({"centre": centre + 1, "score": float(score), "search_seconds": statistics.median(times),
                      "blas": blas_description()}))


if __name__ == "__main__":
    main()
