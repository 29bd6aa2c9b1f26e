"""Run under mpirun by test_ranks.py: every rank searches the same cases with
comm=MPI.COMM_WORLD and writes what it got (or raised) to <folder>/rank<r>.json."""
import json
import sys

import numpy as np

import kvs


def cases():
    rng = np.random.default_rng(11)
    ties = rng.integers(0, 4, size=(300, 2))  # many equal scores: the later centre must win on every split
    series = kvs.window_series([(120, -45)], 25).values
    for method in ("auto", "dense", "tree", "described"):
        yield f"ties {method}", dict(data=ties, size=17, method=method)
    yield "window series", dict(data=series, size=502, threads=1)
    yield "fraction of one row", dict(data=series[:1], fraction=1)
    yield "wide", dict(data=rng.integers(-2**31, 2**31, size=(200, 5)), size=60, method="dense")
    # Floats searched exactly: small integers moved by an ulp here and there,
    # so that almost every score has a twin that only the last bits break.
    nudged = rng.integers(-2, 3, size=(3000, 3)).astype(np.float32)
    moved = rng.random(nudged.shape) < 0.3
    nudged[moved] = np.nextafter(nudged[moved], np.where(rng.random(moved.sum()) < 0.5, -np.inf, np.inf),
                                 dtype=np.float32)
    for method in ("auto", "dense"):
        yield f"float32 near ties {method}", dict(data=nudged, size=17, method=method, threads=1)
    yield "float64 near ties", dict(data=nudged.astype(np.float64) / 3, size=40, threads=1)
    # A cross of rows with nine copies further on, far-off rows between them
    # making the image coarse: the image ties the crosses' centres and takes
    # the last (row 1800), but an arm of the first one ulp shorter makes row
    # 0 win, by less than a double can tell. Spread over the ranks, the
    # exact scores must decide.
    cross = np.array([[0.0, 0], [1, 0], [0, 1], [-1, 0], [0, -1]])
    crosses = np.vstack([cross] + [np.vstack([rng.uniform(-1e6, 1e6, (195, 2)), cross + [5000 * k, 3000]])
                                   for k in range(1, 10)])
    crosses[1, 0] = np.nextafter(1.0, 0)
    yield "float64 near tie of two centres", dict(data=crosses, size=5, threads=1)
    yield "float NaN", dict(data=np.array([[0.0, 1], [2, np.nan]], np.float32), size=1)


def failures(rank):
    yield "size too large", dict(data=[[0], [1]], size=3)
    # One rank's own fault reaches every rank: its message, also where the others could search.
    yield "rank 1's NaN", dict(data=[[0.0], [np.nan if rank == 1 else 1.0]], size=1, scale=1)
    yield "another table on rank 2", dict(data=[[0], [rank == 2]], size=1)
    yield "progress", dict(data=[[0], [1]], size=1, progress=True)


def outcome(arguments, comm):
    try:
        result = kvs.search(**arguments, comm=comm)
    except Exception as error:
        return {"raised": type(error).__name__, "message": str(error)}
    return {"centre": result.centre, "centre_vector": result.centre_vector.tolist(), "subset": result.subset.tolist(),
            "score": str(result.score), "mean_squared_distance": result.mean_squared_distance.hex(),
            "method": result.method, "scale": str(result.scale), "exact": result.exact,
            "types": [str(result.centre_vector.dtype), str(result.subset.dtype), type(result.score).__name__]}


if __name__ == "__main__":
    from mpi4py import MPI
    rank = MPI.COMM_WORLD.Get_rank()
    report = {name: outcome(arguments, MPI.COMM_WORLD) for name, arguments in list(cases()) + list(failures(rank))}
    with open(f"{sys.argv[1]}/rank{rank}.json", "w", encoding="utf-8") as file:
        json.dump(report, file)
