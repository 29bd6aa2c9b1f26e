"""kvs.window_series gives the window's own series: the series `kvs demo`
exports after driving the window, and the series whose searches gave the
engine's golden results."""
import os
import subprocess

import numpy as np
import pytest

import kvs

# The window's actions after a pick, and the levels of its builds.
PATHS = [
    ("pick:120,-45 up up up", [(120, -45)], 25),
    ("pick:-30,60 up down repeat up up", [(-30, 60)], [0, 5, 0, 0, 5, 10]),
    ("pick:0,0 " + "up " * 7, [(0, 0)], [0, 5, 10, 25, 50, 100, 100, 100]),
]


@pytest.fixture(scope="module")
def kvs_demo():
    executable = os.environ.get("KVS_EXECUTABLE")
    if not executable or subprocess.run([executable, "demo", "--help"], capture_output=True).returncode != 0:
        pytest.skip("kvs demo is not built")
    return executable


@pytest.mark.parametrize("actions, picks, noise", PATHS)
def test_equals_the_window_driven_by_kvs_demo(kvs_demo, tmp_path, actions, picks, noise):
    exported = tmp_path / "series.csv"
    demo = subprocess.run([kvs_demo, "demo", *actions.split(), "--export-series", str(exported)],
                          capture_output=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    assert demo.returncode == 0, demo.stderr
    window = np.loadtxt(exported, delimiter=",", skiprows=1, dtype=np.int32)
    series = kvs.window_series(picks, noise)
    assert np.array_equal(series.identities, window[:, 0])
    assert np.array_equal(series.values, window[:, 1:])


def test_searches_give_the_golden_results():
    path = os.path.join(os.environ["KV_SOURCE_DIR"], "tests/libkvs/data/window_series_subsets.txt")
    golden = [list(map(int, line.split())) for line in open(path) if line.strip() and not line.startswith("#")]
    assert [row[0] for row in golden] == list(kvs._kvs.WINDOW_NOISE_LEVELS)
    for level, centre, *subset in golden:
        result = kvs.search(kvs.window_series([(-115, 88)], level).values, 502)
        assert (result.centre + 1, result.subset.tolist()) == (centre, subset)


def test_builds_as_the_window_does():
    series = kvs.window_series([(7, -9), (100, 100)], [0], length=20, repeats=4)
    assert series.identities.tolist() == [0] * 12 + [1] * 4 + [2] * 4
    assert series.clean[12:].tolist() == [[7, -9]] * 4 + [[100, 100]] * 4
    assert np.array_equal(series.values, series.clean)  # at level 0
    assert np.abs(series.clean[:12]).max() <= 177  # the background stays 3 units inside the plane
    background_only = kvs.window_series([], [0], length=10)
    assert background_only.identities.tolist() == [0] * 10 and background_only.values.shape == (10, 2)


@pytest.mark.parametrize("level", [0, 5, 100, 5461, 5462, 10922])
def test_picks_at_the_edge_of_the_range_keep_their_sign(level):
    reach = kvs._kvs.window_noise_reach(level)
    pick = (2**31 - 1 - reach, -2**31 + reach)
    series = kvs.window_series([pick], [level], length=2000, repeats=2000)
    noise = series.values.astype(np.int64) - series.clean
    assert series.clean.tolist() == [list(pick)] * 2000
    assert (series.values[:, 0] > 0).all() and (series.values[:, 1] < 0).all()
    assert np.abs(noise).max() <= reach


REFUSED = [
    (dict(picks=[(1, 2)], noise=7), ValueError, r"^noise 7: expected one of the window's levels 0, 5, 10, 25, 50, 100"),
    (dict(picks=[(1, 2)], noise=[]), ValueError, r"^noise: expected at least one level$"),
    (dict(picks=[(1, 2)], noise=[20000]), ValueError, r"^noise 20000: expected a level from 0 to 10922$"),
    (dict(picks=[(1, 2), (3,)], noise=0), ValueError, r"^picks: expected vectors of one dimension"),
    (dict(picks=(1, 2), noise=0), TypeError, r"^picks must be a sequence of vectors"),
    (dict(picks=[(1, 2)], noise=0, length=0), ValueError, r"^length 0: expected 1 to 2147483647$"),
    (dict(picks=[(1, 2)], noise=0, length=2**31), ValueError, r"^length 2147483648: expected 1 to 2147483647$"),
    (dict(picks=[(1, 2)], noise=0, repeats=2**31), ValueError, r"^repeats 2147483648: expected 1 to 2147483647$"),
    (dict(picks=[(1, 2)], noise=0, noise_state=40000), ValueError, r"^noise_state 40000: expected 0 to 32767$"),
    (dict(picks=[(1, 2)], noise=0, background_state=-1), ValueError, r"^background_state -1: expected 0 to 32767$"),
    (dict(picks=[(1, 2)], noise=[2**31]), ValueError, r"^noise 2147483648: expected a level from 0 to 10922$"),
    (dict(picks=[(1, 2**31)], noise=0), ValueError,
     r"^picks: 2147483648 is outside -2147483648 to 2147483647 \(the signed 32-bit range\)$"),
    (dict(picks=[(2**31 - 1, -2**31)], noise=5), ValueError,
     r"^picks: 2147483647 is outside -2147483618 to 2147483617, where noise of level 5 \(up to 30\) stays in the "
     r"signed 32-bit range$"),
    (dict(picks=[(0, -2**31 + 32767)], noise=[0, 10922]), ValueError, r"^picks: -2147450881 is outside -2147450880 to"),
    (dict(picks=[tuple(range(32768))], noise=0, length=65536, repeats=1), ValueError,
     r"^length 65536 of vectors of dimension 32768: a series holds at most 2147483647 values$"),
]


@pytest.mark.parametrize("arguments, exception, message", REFUSED)
def test_refused(arguments, exception, message):
    with pytest.raises(exception, match=message):
        kvs.window_series(**arguments)
