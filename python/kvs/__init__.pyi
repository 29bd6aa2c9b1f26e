# Type stubs of the Python module kvs.
import decimal
import fractions
from collections.abc import Callable, Sequence
from typing import Any, NamedTuple

import numpy as np
import numpy.typing as npt

__version__: str

_Number = int | float | decimal.Decimal | str
_Column = int | str

class SearchResult:
    centre: int
    centre_vector: npt.NDArray[Any]
    subset: npt.NDArray[np.int64]
    score: int | fractions.Fraction
    mean_squared_distance: float
    method: str
    threads: int
    seconds: float
    scale: int | fractions.Fraction | decimal.Decimal
    exact: bool
    def __init__(self, centre: int, centre_vector: npt.NDArray[Any], subset: npt.NDArray[np.int64],
                 score: int | fractions.Fraction, mean_squared_distance: float, method: str, threads: int,
                 seconds: float, scale: int | fractions.Fraction | decimal.Decimal = 1,
                 exact: bool = True) -> None: ...

def search(data: npt.ArrayLike | Any, size: int | None = None, *, fraction: _Number | None = None,
           method: str = "auto", threads: int = 0, columns: _Column | Sequence[_Column] | None = None,
           scale: _Number | None = None,
           progress: bool | Callable[[float], object] | None = None) -> SearchResult: ...

class WindowSeries(NamedTuple):
    values: npt.NDArray[np.int32]
    identities: npt.NDArray[np.int32]
    clean: npt.NDArray[np.int32]

def window_series(picks: Sequence[Sequence[int]], noise: int | Sequence[int], *, length: int = 1000,
                  repeats: int = 502, noise_state: int = 10597,
                  background_state: int = 11157) -> WindowSeries: ...
