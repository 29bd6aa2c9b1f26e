"""kvs.SimilarSubset: the search as a scikit-learn outlier detector.

Imported only when kvs.SimilarSubset is first used, so that kvs.search needs
no scikit-learn."""
import numpy as np
from joblib import effective_n_jobs
from sklearn.base import BaseEstimator, OutlierMixin
from sklearn.utils.validation import check_is_fitted

from ._search import search


class SimilarSubset(OutlierMixin, BaseEstimator):
    """The size mutually closest rows of a table, as an outlier detector.

    fit runs kvs.search: every row is tried as a centre, and the centre
    whose size nearest rows have the smallest sum of squared distances to it
    wins; those rows are the subset. A row is an inlier (+1) when it lies
    within ``radius_`` of the centre's vector, the subset's largest distance
    from it, and an outlier (-1) beyond.

    Parameters
    ----------
    size : int, optional
        The rows in the subset, 1 to n.
    fraction : float, str or decimal.Decimal, optional
        The subset as a fraction F of the rows, 0 < F <= 1 (size is
        ceil(F * n)). With neither size nor fraction, half the rows.
    method : {"auto", "dense", "tree", "described"}
        The search's method, as kvs.search's.
    n_jobs : int, optional
        Threads to search with, as joblib counts them: None is 1 unless a
        joblib.parallel_backend context says otherwise, -1 is every core.

    Attributes
    ----------
    centre_ : int
        The winning centre's row, counted from 0.
    location_ : ndarray of shape (n_features,)
        The centre's vector.
    subset_ : ndarray of int64
        The subset's rows, counted from 0, in the engine's order.
    support_ : ndarray of bool, shape (n_samples,)
        True for the subset's rows.
    score_ : float
        The sum of the squared distances from ``location_`` to the subset's rows.
    radius_ : float
        The largest distance from ``location_`` to a row of the subset.
    offset_ : float
        ``-radius_``: decision_function is score_samples - ``offset_``, as for
        scikit-learn's outlier detectors.
    n_features_in_ : int
        The columns seen by fit.
    feature_names_in_ : ndarray of str
        The columns' names, when fit was given a frame of string labels.

    Notes
    -----
    The rows are searched exactly as the float64 values they are (as
    `kvs.search` searches a float table): the subset is the one the real
    squared distances of those values give.

    Examples
    --------
    >>> import numpy as np, kvs
    >>> X = np.array([[0.0, 0.0], [1.0, 0.0], [0.0, 1.0], [9.0, 9.0]])
    >>> detector = kvs.SimilarSubset(size=3).fit(X)
    >>> detector.centre_, detector.radius_, detector.predict(X).tolist()
    (0, 1.0, [1, 1, 1, -1])
    """

    def __init__(self, size=None, fraction=None, method="auto", n_jobs=None):
        self.size = size
        self.fraction = fraction
        self.method = method
        self.n_jobs = n_jobs

    def fit(self, X, y=None):
        """Search X for its most similar subset.

        Parameters
        ----------
        X : array-like or pandas.DataFrame of shape (n_samples, n_features)
        y : ignored

        Returns
        -------
        self
        """
        X = self._validate_data(X, dtype=np.float64)
        fraction = "0.5" if self.size is None and self.fraction is None else self.fraction
        result = search(X, self.size, fraction=fraction, method=self.method,
                        threads=effective_n_jobs(self.n_jobs))
        self.centre_ = result.centre
        self.location_ = X[result.centre].copy()
        self.subset_ = result.subset
        self.support_ = np.zeros(X.shape[0], dtype=bool)
        self.support_[result.subset] = True
        squared = self._squared_distances(X[result.subset])
        self.score_ = float(squared.sum())
        self.radius_ = float(np.sqrt(squared.max()))
        self.offset_ = -self.radius_
        return self

    def score_samples(self, X):
        """The negated distance of each row from ``location_``: the higher, the
        more the row belongs with the subset.

        Returns
        -------
        ndarray of float64, shape (n_samples,)
        """
        check_is_fitted(self)
        X = self._validate_data(X, dtype=np.float64, reset=False)
        return -np.sqrt(self._squared_distances(X))

    def decision_function(self, X):
        """``radius_`` less each row's distance from ``location_``: 0 or more within
        the radius (inliers), negative beyond.

        Returns
        -------
        ndarray of float64, shape (n_samples,)
        """
        return self.score_samples(X) - self.offset_

    def predict(self, X):
        """+1 for the rows within ``radius_`` of ``location_``, -1 for the others.

        Returns
        -------
        ndarray of int, shape (n_samples,)
        """
        return np.where(self.decision_function(X) >= 0, 1, -1)

    def _squared_distances(self, X):
        # Row by row on C-ordered rows, so that a row's distance is the same
        # float in fit and in predict, whatever the layout it came in.
        difference = np.ascontiguousarray(X) - self.location_
        return (difference * difference).sum(axis=1)
