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
    labels: Any
    def __init__(self, centre: int, centre_vector: npt.NDArray[Any], subset: npt.NDArray[np.int64],
                 score: int | fractions.Fraction, mean_squared_distance: float, method: str, threads: int,
                 seconds: float, scale: int | fractions.Fraction | decimal.Decimal = 1,
                 exact: bool = True, labels: Any = None) -> None: ...

def search(data: npt.ArrayLike | Any, size: int | None = None, *, fraction: _Number | None = None,
           method: str = "auto", threads: int = 0, columns: _Column | Sequence[_Column] | None = None,
           scale: _Number | None = None,
           progress: bool | Callable[[float], object] | None = None, comm: Any = None) -> SearchResult: ...

class SimilarSubset:
    size: int | None
    fraction: _Number | None
    method: str
    n_jobs: int | None
    centre_: int
    location_: npt.NDArray[np.float64]
    subset_: npt.NDArray[np.int64]
    support_: npt.NDArray[np.bool_]
    score_: float
    radius_: float
    offset_: float
    n_features_in_: int
    feature_names_in_: npt.NDArray[np.object_]
    def __init__(self, size: int | None = None, fraction: _Number | None = None, method: str = "auto",
                 n_jobs: int | None = None) -> None: ...
    def fit(self, X: npt.ArrayLike | Any, y: object = None) -> SimilarSubset: ...
    def predict(self, X: npt.ArrayLike | Any) -> npt.NDArray[np.int64]: ...
    def fit_predict(self, X: npt.ArrayLike | Any, y: object = None) -> npt.NDArray[np.int64]: ...
    def score_samples(self, X: npt.ArrayLike | Any) -> npt.NDArray[np.float64]: ...
    def decision_function(self, X: npt.ArrayLike | Any) -> npt.NDArray[np.float64]: ...
    def get_params(self, deep: bool = True) -> dict[str, Any]: ...
    def set_params(self, **params: Any) -> SimilarSubset: ...

class WindowSeries(NamedTuple):
    values: npt.NDArray[np.int32]
    identities: npt.NDArray[np.int32]
    clean: npt.NDArray[np.int32]

def window_series(picks: Sequence[Sequence[int]], noise: int | Sequence[int], *, length: int = 1000,
                  repeats: int = 502, noise_state: int = 10597,
                  background_state: int = 11157) -> WindowSeries: ...
