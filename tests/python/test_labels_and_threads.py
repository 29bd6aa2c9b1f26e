"""A frame's own index labels in the result, and threads counted as joblib
counts n_jobs."""
import os

import numpy as np
import pandas as pd
import pytest

import kvs

CORES = len(os.sched_getaffinity(0))
POINTS = np.random.default_rng(6).integers(-30, 30, size=(41, 2))


@pytest.mark.parametrize("index", [
    pd.RangeIndex(10, 51),
    pd.Index([f"row {i}" for i in range(41)][::-1]),
    pd.MultiIndex.from_arrays([np.arange(41) % 3, np.arange(41)]),
    pd.Index(np.arange(41) * 2 - 40),  # negative labels, which positions would misread
])
def test_frame_result_carries_its_index_labels(index):
    frame = pd.DataFrame(POINTS, columns=["x", "y"], index=index)
    frame["name"] = [f"n{i}" for i in range(41)]
    result = kvs.search(frame, 9, columns=["x", "y"])
    expected = kvs.search(POINTS, 9)
    np.testing.assert_array_equal(result.subset, expected.subset)
    assert list(result.labels) == list(index[expected.subset])
    pd.testing.assert_frame_equal(frame.loc[result.labels], frame.iloc[result.subset])


def test_arrays_have_no_labels():
    assert kvs.search(POINTS, 3).labels is None


@pytest.mark.parametrize("threads, ran", [(-1, CORES), (-CORES, 1), (-CORES - 5, 1), (1, 1)])
def test_negative_threads_count_from_every_core(threads, ran):
    table = np.random.default_rng(7).integers(0, 1000, size=(4000, 2), dtype=np.int32)
    result = kvs.search(table, 50, method="dense", threads=threads)
    assert result.threads == ran
    assert result.centre == kvs.search(table, 50, method="dense", threads=1).centre
