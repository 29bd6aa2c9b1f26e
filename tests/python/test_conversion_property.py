"""kvs.search over the tables numpy can hand it (dtypes, shapes, strides,
alignment and masks) finds what the search's definition gives, computed by
brute force in numpy."""
import numpy as np
import pytest
from hypothesis import given, settings, strategies as st
from hypothesis.extra import numpy as hnp

import kvs
from conftest import METHODS

DTYPES = [np.dtype(name) for name in
          ("int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64", "bool", ">i4", ">u8",
           "float16", "float32", "float64", ">f8")]


def brute_force(values, size):
    """(centre, score): every centre's score is the sum of its size smallest
    squared distances; the smallest score wins, the last of equal scores."""
    distances = ((values[:, None, :] - values[None, :, :]) ** 2).sum(axis=2)
    scores = np.sort(distances, axis=1)[:, :size].sum(axis=1)
    centre = len(scores) - 1 - int(np.argmin(scores[::-1]))
    return centre, int(scores[centre])


def strided(table):
    room = np.zeros((2 * table.shape[0], 3 * table.shape[1]), table.dtype)
    room[::2, ::3] = table
    return room[::2, ::3]


def misaligned(table):
    room = np.frombuffer(bytearray(table.nbytes + 1), table.dtype, count=table.size, offset=1)
    room = room.reshape(table.shape)
    room[...] = table
    return room


LAYOUTS = {
    "C order": np.ascontiguousarray,
    "Fortran order": np.asfortranarray,
    "strided": strided,
    "reversed": lambda table: table[::-1, ::-1].copy()[::-1, ::-1],
    "misaligned": misaligned,
}


def value_range(dtype):
    if dtype.kind == "b":
        return 0, 1
    if dtype.kind == "f":
        return -2**11, 2**11  # every integer here is exact in float16
    return max(np.iinfo(dtype).min, -2**20), min(np.iinfo(dtype).max, 2**20)


@st.composite
def cases(draw):
    dtype = draw(st.sampled_from(DTYPES))
    shape = (draw(st.integers(1, 12)), draw(st.integers(1, 4)))
    values = draw(hnp.arrays(np.int64, shape, elements=st.integers(*value_range(dtype))))
    mask = draw(st.one_of(st.none(), hnp.arrays(np.bool_, shape, elements=st.booleans())))
    return dict(values=values, dtype=dtype, layout=draw(st.sampled_from(sorted(LAYOUTS))), mask=mask,
                size=draw(st.integers(1, shape[0])), method=draw(st.sampled_from(METHODS)))


@settings(max_examples=120)
@given(cases())
def test_searches_every_layout_as_defined(case):
    values, mask = case["values"], case["mask"]
    data = LAYOUTS[case["layout"]](values.astype(case["dtype"]))
    if mask is not None:
        data = np.ma.array(data, mask=mask)
    scale = 1 if case["dtype"].kind == "f" else None
    if mask is not None and mask.any():
        row, column = np.argwhere(mask)[0]
        with pytest.raises(ValueError, match=fr"masked cells, the first at row {row}, column {column};"):
            kvs.search(data, case["size"], scale=scale, method=case["method"])
        return
    result = kvs.search(data, case["size"], scale=scale, method=case["method"])
    centre, score = brute_force(values, case["size"])
    assert (result.centre, result.score) == (centre, score)
    assert result.centre_vector.tolist() == values[centre].tolist()
    distances = ((values - values[centre]) ** 2).sum(axis=1)
    assert len(set(result.subset.tolist())) == case["size"]
    assert distances[result.subset].sum() == score
