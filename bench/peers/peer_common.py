"""What every peer shares: reading a table, naming the BLAS it runs on,
and picking the winner among the scores."""
import os

import numpy as np

# OpenBLAS reads these when it loads. This machine's environment pins an
# older core type; unset, OpenBLAS picks the kernels for the processor it runs on.
BLAS_PINS = ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")


def peer_environment(environment=None):
    """The environment to start a peer in: the given one (default: this
    process's) without the variables that pin OpenBLAS's kernels."""
    environment = os.environ if environment is None else environment
    return {k: v for k, v in environment.items() if k not in BLAS_PINS}


def blas_description():
    """The BLAS (and OpenMP) libraries this process has loaded, as
    threadpoolctl sees them: 'openblas 0.3.21 Cooperlake pthreads x2; openmp x2'.
    Import the peer's libraries first."""
    from threadpoolctl import threadpool_info

    parts = []
    for pool in threadpool_info():
        words = [pool.get("internal_api") or pool.get("prefix"), pool.get("version"),
                 pool.get("architecture"), pool.get("threading_layer")]
        parts.append(" ".join(str(w) for w in words if w) + " x%d" % pool.get("num_threads", 0))
    return "; ".join(parts) if parts else "none loaded"


def load_table(path):
    """A table file as the benchmark writes it (a .npy array, or
    comma-separated integers, one row per line) as a 2-D int64 array."""
    if path.endswith(".npy"):
        return np.load(path).astype(np.int64)
    return np.ascontiguousarray(np.loadtxt(path, delimiter=",", dtype=np.int64, ndmin=2))


def last_smallest(scores):
    """The 0-based index of the last of the smallest scores, and that score."""
    low = scores.min()
    return int(np.flatnonzero(scores == low)[-1]), low
