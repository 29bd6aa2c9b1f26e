"""kvs.search: the library's exact search on a table handed in from Python."""
import decimal
import os
import sys

from . import _kvs, _progress, _ranks, _table
from ._result import SearchResult


def search(data, size=None, *, fraction=None, method="auto", threads=0, columns=None, scale=None, progress=None,
           comm=None):
    """Find the size mutually closest rows of a table, exactly.

    Every row is tried as a centre. A centre's score is the sum of the
    squared Euclidean distances from it to its size nearest rows (itself
    included), computed exactly in integers; the centre with the smallest
    score wins (the last of equal scores), and its subset is those rows. The
    same search as the command `kvs search`, on every core.

    Parameters
    ----------
    data : 2-D array-like or pandas.DataFrame
        One vector per row. Integers of any width are taken as they are (an
        int32 array in C order without a copy) and must fit the signed 32-bit
        range. float16, float32 and float64 values are searched exactly as
        they are stored, without scale: every finite float is a fraction
        whose denominator is a power of two, and the answer is the one for
        their exact squared distances. Strings or Decimals of decimal
        numbers need scale; long doubles are refused. A masked array is
        searched if no cell of it is masked.
    size : int, optional
        The rows in the subset, 1 to n. Give size or fraction.
    fraction : float, str or decimal.Decimal, optional
        The subset as a fraction F of the rows, 0 < F <= 1: size is
        ceil(F * n), computed exactly from F's decimal digits (0.1 of 1000
        rows is 100).
    method : {"auto", "dense", "tree", "described"}
        "auto" chooses by the library's cost model; "dense" computes every
        distance of every centre, "tree" asks a k-d tree for each centre's
        nearest rows, and "described" sorts every centre's distances (the
        reference procedure, slow on purpose).
    threads : int
        Threads to search with; 0 (the default) is every core that the
        work pays for. Negative counts as joblib's n_jobs does: -1 is every
        core, -2 all but one.
    columns : sequence of int or str, optional
        Use only these columns: positions from 0, or a frame's column labels
        (a label wins over a position). The others may hold anything.
    scale : int, float, str or decimal.Decimal, optional
        Read every value as round(value * scale), halves away from zero,
        computed exactly from the value's decimal digits: a float's digits
        are the shortest ones that read back as the same float (its repr),
        so 1.005 at scale 100 is 101, not 100. The answer is then the one
        for the rounded values.
    progress : bool or callable, optional
        True shows a bar on a terminal or in a notebook (tqdm's when it is
        installed) once the search has run for half a second, and nothing
        elsewhere; a callable is called with the fraction of centres done,
        0 to 1: from the search's threads, one call at a time, with the GIL
        held for the call. An exception from it stops the search and is
        raised. Not with comm.
    comm : mpi4py.MPI.Comm, optional
        Share the search out over the ranks of this communicator (an MPI
        job, mpi4py's MPI.COMM_WORLD under mpirun): every rank passes the
        same arguments, rank 0 deals out the centres in chunks as
        `kvs search` does under mpirun, and every rank returns what one
        process returns, for integer and float tables alike (floats are
        still searched exactly); only threads and seconds describe the run.
        A failure on any rank is raised on every rank, with the same
        message.

    Returns
    -------
    SearchResult
        centre (row from 0), centre_vector, subset (int64 rows from 0, in
        the engine's order), score (exact: an int, or for floats a
        fractions.Fraction), mean_squared_distance, method, threads,
        seconds, scale and exact; for a pandas frame also labels, the
        frame's index labels of the subset (frame.loc[result.labels]).

    Raises
    ------
    TypeError
        A long double table, a wrong type of argument, neither or both of
        size and fraction.
    ValueError
        A table that is not 2-D or has no rows, a value outside the signed
        32-bit range (after scale), NaN or infinity (the message names the
        row and column), size outside 1 to n, a fraction outside (0, 1],
        an unknown, ambiguous or repeated column, a masked cell, threads
        outside -2147483647 to 2147483647; with comm, ranks that pass
        different tables, sizes or methods.
    MemoryError
        No memory for the search's working storage; nothing is held.
    KeyboardInterrupt
        Ctrl-C stops the search between chunks of centres.

    Notes
    -----
    The search runs without the GIL: other Python threads go on meanwhile,
    and searches in several threads run at the same time. The table must not
    change while a search of it runs. Ctrl-C reaches a search on the main
    thread, as KeyboardInterrupt does.

    Examples
    --------
    >>> import numpy as np, kvs
    >>> points = np.array([[0, 0], [1, 0], [0, 1], [9, 9]])
    >>> result = kvs.search(points, 3)
    >>> result.centre, result.score, sorted(result.subset.tolist())
    (0, 2, [0, 1, 2])
    >>> kvs.search([[0.25], [0.5], [2.0]], 2, scale=100).score
    625
    >>> kvs.search([[0.25], [0.5], [2.0]], 2).score
    Fraction(1, 16)
    """
    if comm is not None and progress is not None:
        raise ValueError("progress: not available with comm (each rank searches only its share of the centres)")
    if comm is None:
        table, size, threads = _prepare(data, size, fraction, method, threads, columns, scale)
        if progress is None:
            found = _run(table, size, method, threads, None)
        else:
            with _progress.reporter(progress) as report:
                found = _run(table, size, method, threads, report)
    else:
        found = _ranks.search(comm, lambda: _prepare(data, size, fraction, method, threads, columns, scale), method)
    if scale is not None:  # the answer for the rounded values
        found = (*found[:8], decimal.Decimal(_table.number_text("scale", scale)), False)
    return SearchResult(*found, labels=_index_labels(data, found[2]))


def _prepare(data, size, fraction, method, threads, columns, scale):
    """The table as int32 rows, the subset's size and the threads, checked."""
    if not isinstance(method, str):
        raise TypeError(f"method must be a str, not {type(method).__name__}")
    _kvs.check_method(method)
    threads = _thread_count(_table.integer_from("threads", threads, -_table.INT32_MAX))
    if (size is None) == (fraction is None):
        raise TypeError("give the subset size with size=S or fraction=F" + ("" if size is None else ", not both"))
    fraction_text = None if fraction is None else _table.number_text("fraction", fraction)
    scale_text = None if scale is None else _table.number_text("scale", scale)
    scale = None if scale is None else _kvs.parse_scale(scale_text)

    table = _table.read_table(data, columns, scale)
    rows = table.shape[0]
    if fraction_text is not None:
        size = _kvs.size_from_fraction(fraction_text, rows)
    size = _table.integer("size", size)
    if size < 1:
        raise ValueError(f"size {size}: the subset needs at least 1 row")
    if size > rows:
        raise ValueError(f"size {size}: larger than the {rows} rows of the data")
    return table, size, threads


def _run(table, size, method, threads, report):
    if isinstance(table, _table.FloatTable):
        return _kvs.search_floats(table.values, size, method, threads, report, table.names)
    return _kvs.search(table, size, method, threads, report)


def _thread_count(threads):
    """Threads as the library takes them: negative counts are joblib's
    (-1 every core this process may run on, -2 all but one, at least 1)."""
    if threads >= 0:
        return threads
    cores = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else (os.cpu_count() or 1)
    return max(cores + 1 + threads, 1)


def _index_labels(data, subset):
    """A frame's own index labels of the subset's rows; None for other data."""
    pandas = sys.modules.get("pandas")
    if pandas is not None and isinstance(data, pandas.DataFrame):
        return data.index[subset]
    return None
