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
            "method": result.method, "dtypes": [str(result.centre_vector.dtype), str(result.subset.dtype)]}


if __name__ == "__main__":
    from mpi4py import MPI
    rank = MPI.COMM_WORLD.Get_rank()
    report = {name: outcome(arguments, MPI.COMM_WORLD) for name, arguments in list(cases()) + list(failures(rank))}
    with open(f"{sys.argv[1]}/rank{rank}.json", "w", encoding="utf-8") as file:
        json.dump(report, file)
