"""Float tables searched without a scale: the answer is the exact one for the
floats as stored, checked against a search in fractions.Fraction, also where
the image the search rounds them to cannot tell the winner or the order."""
import fractions

import numpy as np
import pandas as pd
import pytest

import kvs

DTYPES = [np.float16, np.float32, np.float64]


def decreasing_step_sort(keys):
    """The engine's index sort (Shell sort, gaps ..., 13, 4, 1; an entry passes only greater keys)."""
    n = len(keys)
    gap = 1
    while 9 * gap + 4 < n:
        gap = 3 * gap + 1
    index = list(range(n))
    while gap > 0:
        for i in range(gap, n):
            placed, j = index[i], i - gap
            while j >= 0 and keys[placed] < keys[index[j]]:
                index[j + gap] = index[j]
                j -= gap
            index[j + gap] = placed
        gap //= 3
    return index


def exact_search(table, size):
    """(centre, subset, score) by exact rational arithmetic: the last centre of the smallest score."""
    rows = [[fractions.Fraction(float(value)) for value in row] for row in np.asarray(table)]
    best = None
    for centre, c in enumerate(rows):
        keys = [sum((a - b) ** 2 for a, b in zip(c, row)) for row in rows]
        score = sum(sorted(keys)[:size])
        if best is None or score <= best[2]:
            best = (centre, decreasing_step_sort(keys)[:size], score)
    return best


def assert_exact(table, size, **arguments):
    result = kvs.search(table, size, **arguments)
    centre, subset, score = exact_search(table, size)
    assert (result.centre, result.subset.tolist(), result.score) == (centre, subset, score)
    assert result.exact and result.mean_squared_distance == pytest.approx(float(score / size))
    return result


def random_tables():
    rng = np.random.default_rng(24)
    for dtype in DTYPES:
        for magnitude in (1e-6, 1.0, 1e4):
            n, d = int(rng.integers(3, 24)), int(rng.integers(1, 12))
            table = (rng.standard_normal((n, d)) * magnitude).astype(dtype)
            yield pytest.param(table, int(rng.integers(1, n + 1)), id=f"{np.dtype(dtype).name}-{magnitude:g}-{n}x{d}")


@pytest.mark.parametrize("table, size", random_tables())
def test_random_tables_are_searched_exactly(table, size):
    assert_exact(table, size)


def nudged(values, where, steps=1, dtype=np.float64):
    """values with the entries at where moved by steps units in their last place."""
    table = np.array(values, dtype)
    for position in where:
        for _ in range(abs(steps)):
            table[position] = np.nextafter(table[position], np.inf if steps > 0 else -np.inf, dtype=dtype)
    return table


# Ties of the rounded table that the floats break by their last bits, far
# below what the image searched first can hold: another centre, or the
# same centre with another order of its subset, than any fixed point gives.
NEAR_TIES = [
    # 1 - ulp beside 0 and 2: centres 0 and 1 tie exactly (1 wins), 2 is worse
    pytest.param(nudged([[0.0], [1.0], [2.0]], [(1, 0)], -1), 2, id="another-centre"),
    # the row 1 + ulp away sorts after the row 1 away
    pytest.param(nudged([[0.0], [1.0], [-1.0], [100.0]], [(1, 0)]), 3, id="another-order"),
    # the same in float32 with 24 columns, where the image rounds far more coarsely
    pytest.param(nudged(np.eye(4, 24) * [[1], [1], [-1], [1]], [(1, 0)], 1, np.float32), 3, id="another-order-f32"),
    # a far-off value that makes the image coarse, and ulps that decide
    pytest.param(nudged([[0.0, 0], [1, 0], [0, 1], [-1, 0], [0, -1], [1e6, 0]], [(1, 0), (4, 1)], 3), 3,
                 id="coarse-image"),
]


@pytest.mark.parametrize("table, size", NEAR_TIES)
def test_near_ties_are_decided_by_the_floats(table, size):
    assert assert_exact(table, size).scale < 2**40  # the image cannot hold the last bits


@pytest.mark.parametrize("dtype", DTYPES)
def test_near_ties_everywhere(dtype):
    # Small integers moved by a few units in their last place at random:
    # almost every score and key has a twin that differs in its last bits.
    rng = np.random.default_rng(7)
    for _ in range(12):
        table = rng.integers(-2, 3, (int(rng.integers(4, 30)), int(rng.integers(1, 10)))).astype(dtype)
        moved = rng.random(table.shape) < 0.3
        table[moved] = np.nextafter(table[moved], np.where(rng.random(moved.sum()) < 0.5, -np.inf, np.inf),
                                    dtype=dtype)
        assert_exact(table, int(rng.integers(1, len(table) + 1)))


@pytest.mark.parametrize("method", ["dense", "tree", "described"])
def test_every_method_and_thread_count_gives_the_exact_answer(method):
    # Nine columns: the dense search bounds the kept centres' keys from its
    # blocked layout of the image, the others from the image's values.
    rng = np.random.default_rng(3)
    table = np.repeat(rng.standard_normal((40, 9)), 2, axis=0)
    table[1::2] = np.nextafter(table[1::2], np.inf)  # twins one unit apart
    for threads in (1, 3):
        assert_exact(table, 9, method=method, threads=threads)


def test_edge_values():
    # float16 subnormals and both zeros; float64 values spanning its exponents
    half = np.array([[6e-8, -0.0], [0.0, 6e-8], [-6e-8, 0.0], [1e-4, 65504.0]], np.float16)
    result = assert_exact(half, 3)
    assert result.centre_vector.dtype == np.float16
    wide = np.array([[1e-300, 0.0], [0.0, 1e-300], [1e300, 1e-310], [-1e300, 5e-324]])
    assert_exact(wide, 2)
    assert kvs.search(np.zeros((3, 2)), 2).score == 0


@pytest.mark.parametrize("finest", [2.0**-21, 2.0**-22], ids=["62-bit-span", "63-bit-span"])
def test_keys_at_the_edge_of_64_bit_differences(finest):
    # Magnitudes below 2^41 and a finest bit of 2^-21 leave differences of up
    # to 2^62 units, the most the exact keys take in one word each, and the
    # sum of their squares reaches a third word; one bit finer takes the
    # wide words.
    table = np.array([[2.0**40] * 19 + [finest], [-(2.0**40)] * 19 + [-finest]])
    assert_exact(table, 2)


def test_scale_and_exactness_are_told():
    result = kvs.search(np.array([[0.5], [0.75], [3.0]], np.float32), 2)
    assert (result.score, result.scale, result.exact) == (fractions.Fraction(1, 16), 4, True)
    assert "scale=4, exact=True)" in repr(result)
    assert kvs.search(np.array([[1e8], [0.0]]), 1).scale == fractions.Fraction(1, 2**8)  # 1e8 is 390625 * 2^8
    # scale=K keeps its meaning: decimal rounding, exact only for the rounded values
    rounded = kvs.search([[0.25], [0.5], [2.0]], 2, scale=100)
    assert (rounded.score, str(rounded.scale), rounded.exact) == (625, "100", False)
    assert kvs.search([[1], [2]], 1).scale == 1


def test_frames_of_floats():
    frame = pd.DataFrame({"a": [0.5, 0.25, 9.0, 0.375], "b": np.array([1, 2, 3, 4], np.float32),
                          "label": ["w", "x", "y", "z"]})
    result = assert_exact(frame[["a", "b"]], 2)
    assert kvs.search(frame, 2, columns=["a", "b"]).score == result.score


def test_few_coordinates_take_the_grid_and_stay_exact():
    # The cost model picks the grid here; the rows moved by 2^-40 make the
    # image inexact, so the grid keeps the centres near its best as well.
    table = np.random.default_rng(1).integers(-1000, 1000, (20000, 2)).astype(np.float64)
    table[::7, 0] += 2.0 ** -40
    result = kvs.search(table, 20)
    rows = [[fractions.Fraction(value) for value in row] for row in table.tolist()]

    def exact_score(centre):
        return sum(sorted(sum((a - b) ** 2 for a, b in zip(rows[centre], row)) for row in rows)[:20])

    assert result.method == "grid" and result.score == exact_score(result.centre)
    assert result.score <= exact_score(kvs.search(np.rint(table).astype(np.int32), 20).centre)
