"""The benchmark's tables: every case by name, size, dimension and subset
size, and the rows it searches (an int32 numpy array, the same on every run).

    from cases import CASES, case_rows
    for case in CASES:
        rows = case_rows(case, "build/plain")   # the window's series needs that build

Coordinates are integers, as kvs reads them: uniform in +-10^6; Gaussian
round(1000 N(0, 1)) in every coordinate (a standardised feature read with
--scale 1000); clusters the same around 50 centres drawn uniformly in
+-10^4; embeddings unit vectors in random directions, times 10^4 and
rounded (four decimals)."""
import os
import subprocess
from collections import namedtuple

import numpy as np

Case = namedtuple("Case", "kind rows dimension size seed")

CASES = [
    Case("window's series", 1000, 2, 502, 0),
    Case("uniform", 4000, 2, 2002, 1),
    Case("uniform", 20000, 2, 10001, 2),
    Case("uniform", 20000, 2, 20, 3),
    Case("uniform", 1000000, 2, 100, 4),
    Case("uniform", 10000, 16, 5001, 5),
    Case("Gaussian", 20000, 64, 100, 6),
    Case("Gaussian", 10000, 128, 5000, 7),
    Case("50 Gaussian clusters", 50000, 16, 100, 8),
    Case("Gaussian", 100000, 32, 100, 9),
    Case("embeddings", 5000, 768, 50, 10),
    Case("uniform", 10000000, 2, 100, 11),
    Case("uniform", 100000000, 2, 100, 12),
]

# Tables of this many rows or more are written as .npy (text of 10^8 rows
# would be 1.5 GB, and reading it the larger part of the run).
BINARY_ROWS = 10000000


def case_label(case):
    return "%s n %d, s %d, d %d" % (case.kind, case.rows, case.size, case.dimension)


def case_rows(case, build="build/plain"):
    """The case's table as an int32 array of shape (rows, dimension)."""
    if case.kind == "window's series":
        tool = os.path.join(build, "bench", "engine", "window_series_table")
        text = subprocess.run([tool], capture_output=True, text=True, check=True).stdout
        return np.array([[int(v) for v in line.split(",")] for line in text.split()], dtype=np.int32)
    random = np.random.default_rng(case.seed)
    shape = (case.rows, case.dimension)
    if case.kind == "uniform":
        return random.integers(-10 ** 6, 10 ** 6, size=shape, endpoint=True, dtype=np.int32)
    if case.kind == "Gaussian":
        return np.rint(random.normal(0.0, 1000.0, shape)).astype(np.int32)
    if case.kind == "50 Gaussian clusters":
        centres = random.uniform(-10 ** 4, 10 ** 4, (50, case.dimension))
        members = random.integers(0, 50, case.rows)
        return np.rint(centres[members] + random.normal(0.0, 1000.0, shape)).astype(np.int32)
    if case.kind == "embeddings":
        directions = random.normal(0.0, 1.0, shape)
        directions /= np.linalg.norm(directions, axis=1, keepdims=True)
        return np.rint(directions * 10 ** 4).astype(np.int32)
    raise ValueError("unknown case kind: %s" % case.kind)


def case_file_name(case, number):
    """The file name the case's table is written to: .npy from BINARY_ROWS rows, else .csv."""
    return "table_%d.%s" % (number, "npy" if case.rows >= BINARY_ROWS else "csv")


def write_case(case, path, build="build/plain"):
    """Writes the case's table as kvs reads it: a .npy array when the path
    names one, else comma-separated, one row a line."""
    if path.endswith(".npy"):
        np.save(path, case_rows(case, build))
    else:
        np.savetxt(path, case_rows(case, build), fmt="%d", delimiter=",")
