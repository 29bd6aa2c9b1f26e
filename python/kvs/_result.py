"""What kvs.search returns."""
import sys
from dataclasses import dataclass

import numpy as np


# repr shows vectors of up to this many values whole; longer ones by their
# first and last three, as numpy abbreviates long arrays.
_WHOLE = 8


def _abbreviated(values):
    return np.array2string(values, separator=", ", threshold=_WHOLE, edgeitems=3, max_line_width=sys.maxsize)


@dataclass(eq=False, repr=False, slots=True)
class SearchResult:
    """What kvs.search found.

    Attributes
    ----------
    centre : int
        The winning centre's row, counted from 0: the last of the rows with
        the smallest score.
    centre_vector : numpy.ndarray
        The centre's coordinates as searched: int32 (after scale), or a
        float table's own floats.
    subset : numpy.ndarray of int64
        The rows nearest to the centre, size of them, in the engine's order
        (the decreasing-step sort of the centre's squared distances).
    score : int or fractions.Fraction
        The sum of the squared distances from the centre to the subset's
        rows, exact (it can exceed 64 bits); a Fraction for floats.
    mean_squared_distance : float
        score / size.
    method : str
        The method that ran: "dense", "tree", "grid" (which "auto" picks for
        few coordinates and many rows) or "described".
    threads : int
        The threads that ran.
    seconds : float
        The search's own time.
    scale : int, fractions.Fraction or decimal.Decimal
        For floats, the power of two 2^e at which the table was searched as
        round(value * 2^e) before the centres that rounding could promote
        were scored again exactly; with scale=K, K; else 1.
    exact : bool
        Whether the answer is the exact one for the values as given: False
        only with scale=K, where it is exact for the rounded values.
    labels : pandas.Index or None
        For a pandas frame, its own index labels of the subset's rows, in
        the subset's order (frame.loc[result.labels] is
        frame.iloc[result.subset]); None for other data.
    """

    centre: int
    centre_vector: np.ndarray
    subset: np.ndarray
    score: int
    mean_squared_distance: float
    method: str
    threads: int
    seconds: float
    scale: object = 1
    exact: bool = True
    labels: object = None

    def __repr__(self):
        subset = _abbreviated(self.subset)
        centre_vector = self.centre_vector.tolist()
        if self.centre_vector.size > _WHOLE:
            centre_vector = f"{_abbreviated(self.centre_vector)} ({self.centre_vector.size} values)"
        return (f"kvs.SearchResult(centre={self.centre}, centre_vector={centre_vector}, "
                f"subset={subset} ({len(self.subset)} rows), score={self.score}, "
                f"mean_squared_distance={self.mean_squared_distance:.6g}, method={self.method!r}, "
                f"threads={self.threads}, seconds={self.seconds:.3g}, scale={self.scale}, exact={self.exact})")
