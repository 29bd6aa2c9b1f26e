"""kvs.SimilarSubset: scikit-learn's own estimator checks, the search it
runs, its inliers, n_jobs as joblib counts it, and frames."""
import os
import subprocess
import sys

import joblib
import numpy as np
import pandas as pd
import pytest
from sklearn.model_selection import GridSearchCV
from sklearn.pipeline import make_pipeline
from sklearn.preprocessing import StandardScaler
from sklearn.utils.estimator_checks import parametrize_with_checks

import kvs

CORES = len(os.sched_getaffinity(0))


@parametrize_with_checks([kvs.SimilarSubset(), kvs.SimilarSubset(fraction=0.3, method="dense", n_jobs=-1)])
def test_scikit_learn_checks(estimator, check):
    check(estimator)


@pytest.mark.parametrize("X, parameters, search_arguments", [
    # whole numbers: the table as it is
    (np.random.default_rng(1).integers(-50, 50, size=(200, 3)), dict(size=40), dict(size=40)),
    (np.random.default_rng(2).integers(-9, 9, size=(101, 2)).astype(float), dict(), dict(fraction="0.5")),
    # floats: their fixed-point image at 2**30 over the largest magnitude (2**3 here)
    (np.random.default_rng(3).uniform(-5, 5, size=(150, 4)), dict(fraction=0.25, method="tree"),
     dict(fraction=0.25, method="tree", scale=2**27)),
])
def test_fit_is_the_search_and_inliers_are_within_its_radius(X, parameters, search_arguments):
    detector = kvs.SimilarSubset(**parameters).fit(X)
    if "scale" in search_arguments:
        table, scale = X, search_arguments.pop("scale")
        expected = kvs.search(np.rint(table * scale).astype(np.int64), **search_arguments)
    else:
        expected = kvs.search(X.astype(np.int64), **search_arguments)
    assert detector.centre_ == expected.centre
    np.testing.assert_array_equal(detector.subset_, expected.subset)
    np.testing.assert_array_equal(detector.location_, X[expected.centre])
    assert detector.support_.sum() == len(expected.subset) and detector.support_[expected.subset].all()

    squared = ((X - X[expected.centre]) ** 2).sum(axis=1)
    assert detector.score_ == pytest.approx(squared[expected.subset].sum())
    assert detector.radius_ == pytest.approx(np.sqrt(squared[expected.subset].max()))
    labels = detector.fit_predict(X)
    np.testing.assert_array_equal(labels, np.where(squared <= squared[expected.subset].max(), 1, -1))
    assert (labels[detector.support_] == 1).all()
    np.testing.assert_allclose(detector.decision_function(X), detector.radius_ - np.sqrt(squared))
    assert detector.predict(X[:1] + 1e6).tolist() == [-1]


@pytest.mark.parametrize("n_jobs, context, threads", [
    (None, None, 1),
    (2, None, 2),
    (-1, None, CORES),
    (None, 2, 2),  # joblib's context names the count when n_jobs does not
])
def test_n_jobs_counts_as_joblib_does(n_jobs, context, threads, monkeypatch):
    seen = []
    real_search = kvs._estimator.search
    monkeypatch.setattr(kvs._estimator, "search", lambda *a, **k: seen.append(k["threads"]) or real_search(*a, **k))
    X = np.random.default_rng(4).integers(0, 100, size=(300, 2))
    if context is None:
        kvs.SimilarSubset(size=10, n_jobs=n_jobs).fit(X)
    else:
        with joblib.parallel_backend("threading", n_jobs=context):
            kvs.SimilarSubset(size=10, n_jobs=n_jobs).fit(X)
    assert seen == [threads]


def test_frames_give_feature_names_and_work_in_pipelines_and_grid_searches():
    rng = np.random.default_rng(5)
    frame = pd.DataFrame(rng.normal(size=(120, 3)), columns=["a", "b", "c"], index=range(500, 620))
    detector = kvs.SimilarSubset(size=30).fit(frame)
    assert detector.feature_names_in_.tolist() == ["a", "b", "c"] and detector.n_features_in_ == 3
    assert frame.loc[detector.support_].shape == (30, 3)

    pipeline = make_pipeline(StandardScaler(), kvs.SimilarSubset(fraction=0.5)).fit(frame)
    assert set(np.unique(pipeline.predict(frame))) == {-1, 1}
    grid = GridSearchCV(kvs.SimilarSubset(), {"size": [10, 20]}, scoring=lambda est, X: est.score_samples(X).mean(),
                        cv=3).fit(frame.to_numpy())
    assert len(grid.cv_results_["params"]) == 2 and grid.best_estimator_.size == grid.best_params_["size"]


def test_search_needs_no_scikit_learn():
    code = ("import sys, kvs; kvs.search([[0], [1], [5]], 2); assert 'sklearn' not in sys.modules; "
            "print(kvs.SimilarSubset.__name__, 'sklearn' in sys.modules)")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert done.stdout.split() == ["SimilarSubset", "True"]
