"""kvs.search finds what `kvs search` finds, and what a plain numpy search
finds, on every method and thread count, and says its version."""
import os
import subprocess
import sys

import numpy as np
import pytest
from hypothesis import given, strategies as st

import kvs
from conftest import METHODS


def tie_heavy_tables(count, seed):
    generator = np.random.default_rng(seed)
    for _ in range(count):
        rows, dimension = int(generator.integers(40, 400)), int(generator.integers(1, 4))
        yield generator.integers(-2, 3, (rows, dimension)), int(generator.integers(1, rows + 1))


def test_module_equals_kvs_search(run_kvs):
    window = [(kvs.window_series([(-115, 88)], level).values, 502) for level in (0, 5, 10, 25, 50, 100)]
    for table, size in window + list(tie_heavy_tables(4, seed=15)):
        for method in METHODS:
            for threads in (1, 2):
                expected = run_kvs(table, "--size", str(size), "--method", method, "-j", str(threads))
                found = kvs.search(table, size, method=method, threads=threads)
                assert (found.centre + 1, (found.subset + 1).tolist(), found.centre_vector.tolist(), found.score,
                        found.mean_squared_distance, found.method, found.threads) == \
                    (expected["centre"], expected["subset"], expected["centre_vector"], expected["score"],
                     expected["mean_squared_distance"], expected["method"], expected["threads"])


def reference(table, size):
    """The search as numpy states it, on Python's exact integers."""
    table = table.astype(object)
    keys = ((table[:, None, :] - table[None, :, :]) ** 2).sum(axis=2)
    scores = np.sort(keys, axis=1)[:, :size].sum(axis=1)
    centre = max(row for row, score in enumerate(scores) if score == scores.min())
    return centre, scores[centre], keys[centre]


coordinates = st.one_of(st.integers(-3, 3), st.integers(-2**31, 2**31 - 1))
tables = st.integers(1, 3).flatmap(lambda d: st.lists(st.lists(coordinates, min_size=d, max_size=d),
                                                      min_size=1, max_size=12))


@given(tables, st.data())
def test_search_equals_numpy_reference(rows, data):
    table = np.array(rows, dtype=np.int64)
    size = data.draw(st.integers(1, len(rows)), label="size")
    method = data.draw(st.sampled_from(METHODS), label="method")
    found = kvs.search(table, size, method=method)
    centre, score, keys = reference(table, size)
    assert (found.centre, found.score) == (centre, score)
    assert sorted(set(found.subset.tolist())) == sorted(found.subset.tolist())
    assert sorted(keys[found.subset]) == sorted(keys)[:size]


def test_version_is_that_of_kvs_and_of_the_pip_package():
    executable = os.environ.get("KVS_EXECUTABLE")
    if not executable:
        pytest.skip("the kvs executable is not built")
    said = subprocess.run([executable, "--version"], capture_output=True, text=True, check=True).stdout.split()
    sys.path.insert(0, os.environ["KV_SOURCE_DIR"])
    try:
        from setup import project_version  # setup.py's version, read without running setup()
    finally:
        sys.path.pop(0)
    assert said[1] == kvs.__version__ == project_version()
