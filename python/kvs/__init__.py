"""kvs: the exact search for the most similar rows of a table.

kvs.search(data, size) tries every row of a table of integer vectors as a
centre and finds the size rows whose sum of squared distances to their centre
is the smallest of all: the same exact search as the command `kvs search`,
run by the library libkvs in this process, on numpy arrays and pandas
frames, also over the ranks of an MPI job (comm=). kvs.SimilarSubset is the
search as a scikit-learn outlier detector. kvs.window_series builds the noisy series of the program's window,
so that a notebook can reproduce and extend what the window shows.

    >>> import numpy as np, kvs
    >>> result = kvs.search(np.array([[0, 0], [1, 0], [0, 1], [9, 9]]), 3)
    >>> result.centre, sorted(result.subset.tolist()), result.score
    (0, [0, 1, 2], 2)
"""
from . import _kvs
from ._result import SearchResult
from ._search import search
from ._window import WindowSeries, window_series

__version__ = _kvs.version()
__all__ = ["search", "SearchResult", "SimilarSubset", "window_series", "WindowSeries", "__version__"]


def __getattr__(name):
    # The estimator imports scikit-learn, which kvs.search does without.
    if name == "SimilarSubset":
        from ._estimator import SimilarSubset
        return SimilarSubset
    raise AttributeError(f"module 'kvs' has no attribute {name!r}")
