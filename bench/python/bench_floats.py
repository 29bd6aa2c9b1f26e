#!/usr/bin/python3
"""kvs.search on float32 embeddings, searched exactly without a scale,
against the same table searched as scaled integers and against faiss's
exact IndexFlatL2 (bench/peers/faiss_peer.py: every row's s nearest, k = s,
then the sums), in the same run.

    /usr/bin/python3 bench/python/bench_floats.py [BUILD_DIR] [--rounds R]

The embeddings: n 5,000 rows of d 768, rows drawn near 50 random topics
(a topic plus noise), scaled to unit length, as sentence embeddings are.
kvs runs in this process on the float32 array; the scaled integers are
round(value * 2^e) at the power of two the float search chose, as an int32
array made before the clock starts; faiss runs in a process of its own
started without the variables that pin OpenBLAS's kernels, timed inside it
on the array already loaded, and names its BLAS. Each round runs all three;
medians over the rounds. The first kvs search after faiss's process runs a
few milliseconds slower, whichever table it searches: the floats go first
in odd rounds, the integers in even ones."""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = os.path.join(HERE, "..", "peers")
sys.path.insert(0, PEERS)

from peer_common import peer_environment  # noqa: E402

ROWS, DIMENSION, SIZE, TOPICS = 5000, 768, 50, 50

FAISS_RUN = """
import json, sys, time
import numpy as np
sys.path.insert(0, sys.argv[2])
from faiss_peer import search
from peer_common import blas_description
rows = np.load(sys.argv[1])
start = time.perf_counter()
centre, score = search(rows, int(sys.argv[3]))
print(json.dumps({"seconds": time.perf_counter() - start, "centre": centre, "blas": blas_description()}))
"""


def embeddings(seed=5):
    rng = np.random.default_rng(seed)
    topics = rng.standard_normal((TOPICS, DIMENSION))
    rows = topics[rng.integers(0, TOPICS, ROWS)] + 0.8 * rng.standard_normal((ROWS, DIMENSION))
    rows /= np.linalg.norm(rows, axis=1, keepdims=True)
    return rows.astype(np.float32)


def timed(search):
    start = time.perf_counter()
    result = search()
    return time.perf_counter() - start, result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build/plain")
    parser.add_argument("--rounds", type=int, default=5)
    options = parser.parse_args()
    sys.path.insert(0, os.path.join(options.build, "python"))
    import kvs

    rows = embeddings()
    first = kvs.search(rows, SIZE)
    integers = np.rint(rows.astype(np.float64) * first.scale).astype(np.int32)
    print("kvs %s: scale %s, %s centre %d" % (kvs.__version__, first.scale, first.method, first.centre),
          file=sys.stderr)
    floats, scaled, faiss = [], [], []
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "embeddings.npy")
        np.save(path, rows)
        for round_ in range(options.rounds):
            if round_ % 2:
                scaled.append(timed(lambda: kvs.search(integers, SIZE))[0])
            seconds, result = timed(lambda: kvs.search(rows, SIZE))
            assert result.centre == first.centre and result.exact
            floats.append(seconds)
            if not round_ % 2:
                scaled.append(timed(lambda: kvs.search(integers, SIZE))[0])
            done = subprocess.run([sys.executable, "-c", FAISS_RUN, path, PEERS, str(SIZE)], capture_output=True,
                                  text=True, check=True, env=peer_environment())
            peer = json.loads(done.stdout)
            faiss.append(peer["seconds"])
            print("round %d: floats %.3f s, scaled integers %.3f s, faiss %.3f s (centre %d)"
                  % (round_ + 1, floats[-1], scaled[-1], faiss[-1], peer["centre"]), file=sys.stderr)
    ours, theirs, integer = (statistics.median(times) for times in (floats, faiss, scaled))
    print("float32 embeddings n %d, d %d, s %d; medians of %d rounds; load average %.1f"
          % (ROWS, DIMENSION, SIZE, options.rounds, os.getloadavg()[0]))
    print("  kvs.search on the floats (exact): %.3f s" % ours)
    print("  kvs.search on round(value * %s) as int32: %.3f s (floats / integers %.2f)" % (first.scale, integer,
                                                                                          ours / integer))
    print("  faiss IndexFlatL2, k = s: %.3f s on %s (faiss / kvs %.1fx)" % (theirs, peer["blas"], theirs / ours))


if __name__ == "__main__":
    main()
