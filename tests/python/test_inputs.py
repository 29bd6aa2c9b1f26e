"""What kvs.search takes as a table, and how it refuses what it cannot take:
the exception and the words of `kvs search`, naming the cell."""
import decimal
import sys
import tracemalloc

import numpy as np
import pandas as pd
import pytest

import kvs
from kvs import _table

TABLE = np.array([[0, 0], [1, 0], [5, 5]], dtype=np.int32)
FRAME = pd.DataFrame({"name": ["a", "b", "c"], "x": [0, 1, 5], "y": [0.0, float("nan"), 5.0]})
NAN, INF = float("nan"), float("inf")

REFUSED = [
    # arguments, exception, message (a regular expression)
    (dict(data=np.arange(5), size=1), ValueError, r"^data is 1-D; expected a 2-D table"),
    (dict(data=np.zeros((2, 2, 2)), size=1), ValueError, r"^data is 3-D"),
    (dict(data=np.empty((0, 2), np.int32), size=1), ValueError, r"^no data rows$"),
    (dict(data=[], size=1), ValueError, r"^no data rows$"),
    (dict(data=np.empty((3, 0), np.int32), size=1), ValueError, r"^no columns$"),
    (dict(data=[[1, 2], [3]], size=1), ValueError, r"^row 1 has 1 cells where row 0 has 2$"),
    (dict(data=TABLE), TypeError, r"^give the subset size with size=S or fraction=F$"),
    (dict(data=TABLE, size=1, fraction=0.5), TypeError, r"^give the subset size .*, not both$"),
    (dict(data=TABLE, size=0), ValueError, r"^size 0: the subset needs at least 1 row$"),
    (dict(data=TABLE, size=4), ValueError, r"^size 4: larger than the 3 rows of the data$"),
    (dict(data=TABLE, size=1.0), TypeError, r"^size must be an integer, not float$"),
    (dict(data=TABLE, fraction=0), ValueError, r"^fraction 0: expected a fraction above 0 and at most 1$"),
    (dict(data=TABLE, fraction=1.5), ValueError, r"^fraction 1.5: expected a fraction above 0 and at most 1$"),
    (dict(data=TABLE, fraction=-0.5), ValueError, r"^fraction -0.5: expected a fraction above 0"),
    (dict(data=TABLE, fraction=[0.5]), TypeError, r"^fraction must be a number"),
    (dict(data=TABLE, size=1, method="fast"), ValueError, r"^method 'fast': expected auto, dense, tree or described$"),
    (dict(data=TABLE, size=1, method=None), TypeError, r"^method must be a str"),
    (dict(data=TABLE, size=1, threads=2**31), ValueError,
     r"^threads 2147483648: expected -2147483647 to 2147483647$"),
    (dict(data=TABLE, size=1, threads=-2**31), ValueError,
     r"^threads -2147483648: expected -2147483647 to 2147483647$"),
    (dict(data=TABLE, size=1, threads="2"), TypeError, r"^threads must be an integer"),
    (dict(data=TABLE, size=1, scale=0), ValueError, r"^scale 0: expected a number above 0$"),
    (dict(data=TABLE, size=1, scale="nan"), ValueError, r"^scale nan: expected a number above 0$"),
    (dict(data=TABLE, size=1, scale=True), TypeError, r"^scale must be a number"),
    (dict(data=TABLE, size=1, progress=3), TypeError, r"^progress must be True, False, None or a callable"),
    (dict(data=[[1.0, NAN]], size=1), ValueError, r"^row 0, column 1: nan is not a number \(NaN\)$"),
    (dict(data=np.array([[1.0], [-INF]], np.float16), size=1), ValueError, r"^row 1, column 0: -inf is infinite$"),
    (dict(data=FRAME, size=1, columns=["x", "y"]), ValueError, r"^row 1, column 'y': nan is not a number \(NaN\)$"),
    (dict(data=[[1, 2**32]], size=1), ValueError,
     r"^row 0, column 1: 4294967296 is outside the signed 32-bit range \(-2147483648 to 2147483647\)$"),
    (dict(data=[[1], [-2**31 - 1]], size=1), ValueError, r"^row 1, column 0: -2147483649 is outside"),
    (dict(data=np.array([[1, 2**40]], object), size=1), ValueError, r"^row 0, column 1: 1099511627776 is outside"),
    (dict(data=[[1, 2**70]], size=1), ValueError,
     r"^row 0, column 1: 1180591620717411303424 has more than 19 significant digits, too many to read exactly$"),
    (dict(data=[[1, 2**30]], size=1, scale=2), ValueError, r"^row 0, column 1: 1073741824 times the scale is outside"),
    (dict(data=[[1.0, NAN]], size=1, scale=1), ValueError, r"^row 0, column 1: nan is not a number \(NaN\)$"),
    (dict(data=[[1.0], [-INF]], size=1, scale=1), ValueError, r"^row 1, column 0: -inf is infinite$"),
    (dict(data=[[2.5e9]], size=1, scale=1), ValueError, r"^row 0, column 0: 2.5e\+09 times the scale is outside"),
    (dict(data=[["1", "2,5"]], size=1), ValueError, r"^row 0, column 1: 2,5 is not a number$"),
    (dict(data=[["1", "2.5"]], size=1), TypeError, r"^row 0, column 1: 2.5 is not an integer; pass scale=K"),
    (dict(data=[[1, None]], size=1), ValueError, r"^row 0, column 1: None is not a number$"),
    (dict(data=np.array([[1 + 2j]]), size=1), TypeError, r"^data holds complex128 values"),
    (dict(data=np.array([[0.1]], np.longdouble), size=1, scale=10), TypeError,
     r"^data holds float128 \(long double\) values, which are not read; convert them with data.astype"),
    (dict(data=np.ma.array(TABLE, mask=[[0, 0], [0, 1], [1, 0]]), size=1), ValueError,
     r"^data has 2 masked cells, the first at row 1, column 1; search the rows without them: "
     r"X\[~X.mask.any\(axis=1\)\]$"),
    (dict(data=np.ma.array(TABLE, mask=[[0, 0], [0, 0], [0, 1]]), size=1, columns=[0, 1]), ValueError,
     r"^data has 1 masked cells, the first at row 2, column 1;"),
    (dict(data=TABLE, size=1, columns=[5]), ValueError, r"^column 5 was chosen, but the table has 2 columns$"),
    (dict(data=TABLE, size=1, columns=[-1]), ValueError, r"^column -1: expected column positions from 0$"),
    (dict(data=TABLE, size=1, columns=[1, 1]), ValueError, r"^columns \[1, 1\]: column 1 is chosen twice$"),
    (dict(data=TABLE, size=1, columns=[]), ValueError, r"^columns \[\]: expected at least one column$"),
    (dict(data=TABLE, size=1, columns=["x"]), ValueError, r"^column 'x': an array's columns are chosen by"),
    (dict(data=FRAME, size=1), ValueError, r"^row 0, column 'name': a is not a number$"),
    (dict(data=FRAME, size=1, columns=["x", "y"], scale=1), ValueError,
     r"^row 1, column 'y': nan is not a number \(NaN\)$"),
    (dict(data=FRAME, size=1, columns=["x", "z"]), ValueError, r"^column 'z' is not a column of the frame$"),
    (dict(data=pd.DataFrame([[1, 2, 3]], columns=["a", "a", "b"]), size=1, columns=["a"]), ValueError,
     r"^column 'a' is ambiguous: the frame has 2 columns of that label$"),
    (dict(data=pd.DataFrame({"b": pd.array([True, None], dtype="boolean")}), size=1), ValueError,
     r"^row 1, column 'b': <NA> is not a number$"),
]


@pytest.mark.parametrize("arguments, exception, message", REFUSED)
def test_refused(arguments, exception, message):
    with pytest.raises(exception, match=message):
        kvs.search(**arguments)


def centre_vector(data, **arguments):
    return kvs.search(data, 1, **arguments).centre_vector.tolist()


TAKEN = [
    # data, arguments, the centre's vector as searched
    (np.array([[-7, 2**31 - 1]], np.int64), {}, [-7, 2**31 - 1]),
    (np.array([[200, 3]], np.uint8), {}, [200, 3]),
    (np.array([[True, False]]), {}, [1, 0]),
    (np.array([[5, -6]], ">i4"), {}, [5, -6]),
    (np.asfortranarray([[1, 2]], np.int16), {}, [1, 2]),
    ([[1.005, -2.5]], dict(scale=100), [101, -250]),  # the written 1.005, not the binary 1.00499999...
    ([[-2.5, 2.5]], dict(scale=1), [-3, 3]),  # halves away from zero
    (np.array([[0.1, 0.7]], np.float32), dict(scale=10), [1, 7]),  # float32's own shortest digits
    ([[3, -3]], dict(scale=0.5), [2, -2]),  # integers are scaled too
    ([["1.005", decimal.Decimal("0.125")]], dict(scale=decimal.Decimal("100")), [101, 13]),
    ([[1e-300, 2**31 - 1]], dict(scale="1"), [0, 2**31 - 1]),
    (FRAME, dict(columns=["x"]), [5]),  # size 1: every score is 0, and the last row wins
    (FRAME, dict(columns=[1]), [5]),
    (pd.DataFrame({5: [1, 2], 0: [3, 4]}), dict(columns=[0]), [4]),  # a label wins over a position
    (pd.DataFrame([[1, 2, 3]], columns=["a", "a", "b"]), dict(columns=["b", 0]), [3, 1]),
    (pd.DataFrame({"b": pd.array([True, False], dtype="boolean"), "x": [7, 8]}), {}, [0, 8]),  # as numpy's bool
    (np.array([[True, 2]], object), {}, [1, 2]),
    (np.ma.array(TABLE, mask=False), {}, [5, 5]),
    (np.ma.array(TABLE, mask=[[0, 1], [0, 1], [0, 1]]), dict(columns=[0]), [5]),  # the masked column unchosen
    (np.array([[0.5, 1.5]], np.float16), dict(scale=2), [1, 3]),
]


@pytest.mark.parametrize("data, arguments, expected", TAKEN)
def test_taken(data, arguments, expected):
    assert centre_vector(data, **arguments) == expected


def test_int32_table_in_c_order_is_not_copied():
    assert _table.read_table(TABLE) is TABLE
    references = sys.getrefcount(TABLE)
    kvs.search(TABLE, 2)
    assert sys.getrefcount(TABLE) == references


def test_memory_mapped_int32_table_is_searched_in_place(tmp_path):
    """np.load(..., mmap_mode="r") gives a read-only np.memmap: its rows are
    searched where the file's mapping holds them, never read into a copy."""
    rows = np.random.default_rng(3).integers(-1000, 1000, size=(200_000, 2), dtype=np.int32)
    np.save(tmp_path / "rows.npy", rows)
    mapped = np.load(tmp_path / "rows.npy", mmap_mode="r")
    assert np.shares_memory(_table.read_table(mapped), mapped)
    tracemalloc.start()
    try:
        found = kvs.search(mapped, 50, threads=1)
        peak = tracemalloc.get_traced_memory()[1]
    finally:
        tracemalloc.stop()
    assert peak < rows.nbytes // 10, "a copy of the table was made"
    assert found.centre == kvs.search(rows, 50, threads=1).centre


@pytest.mark.parametrize("dtype", ["<i4", "<i8", "<u2"])
def test_misaligned_table_is_read_from_an_aligned_copy(dtype):
    room = np.frombuffer(bytearray(TABLE.size * np.dtype(dtype).itemsize + 1), dtype, count=TABLE.size, offset=1)
    misaligned = room.reshape(TABLE.shape)
    misaligned[...] = TABLE
    assert not misaligned.flags.aligned
    table = _table.read_table(misaligned)
    assert table.flags.aligned and table.tolist() == TABLE.tolist()


def test_fraction_is_exact():
    table = np.arange(100).reshape(-1, 1)
    assert 0.07 * 100 > 7  # in binary floating point
    assert [len(kvs.search(table, fraction=f).subset) for f in (0.07, "0.07", decimal.Decimal("0.07"), 1)] == \
        [7, 7, 7, 100]


def test_result_reads_well():
    text = repr(kvs.search(TABLE, 2))
    assert text.startswith("kvs.SearchResult(centre=1, centre_vector=[1, 0], subset=[1, 0] (2 rows), score=1, ")
    assert "method='dense', threads=1, seconds=" in text


@pytest.mark.parametrize("length, shown", [
    (1, "centre_vector=[7], "),
    (8, "centre_vector=[7, 8, 9, 10, 11, 12, 13, 14], "),
    (9, "centre_vector=[ 7,  8,  9, ..., 13, 14, 15] (9 values), "),
    (768, "centre_vector=[  7,   8,   9, ..., 772, 773, 774] (768 values), "),
])
def test_long_centre_vectors_read_abbreviated(length, shown):
    result = kvs.SearchResult(centre=0, centre_vector=np.arange(7, 7 + length, dtype=np.int32), subset=np.arange(1),
                              score=0, mean_squared_distance=0.0, method="dense", threads=1, seconds=0.0)
    assert shown in repr(result)


def test_an_embeddings_result_reads_on_one_short_line():
    embeddings = np.random.default_rng(3).normal(scale=0.05, size=(30, 768)).astype(np.float32)
    text = repr(kvs.search(embeddings, 5))
    assert "(768 values), subset=" in text and "(5 rows)" in text
    assert "\n" not in text and len(text) < 400
