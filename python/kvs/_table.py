"""The table kvs.search takes, read from what the caller hands in: numpy
arrays and anything numpy reads as one, and pandas frames.

The values become the signed 32-bit integers the library searches. Integers
of any width are taken as they are, and an int32 array in C order is used
without a copy; floats, decimal strings and Decimals need a scale, and every
value is then round(value * scale), computed exactly from its decimal
digits (a float's are its repr's) by the same code as `kvs search --scale`."""
import decimal
import numbers
import operator
import sys
from typing import NamedTuple

import numpy as np

from . import _kvs

INT32_MIN, INT32_MAX = -2**31, 2**31 - 1


class FloatTable(NamedTuple):
    """A table of float16, float32 or float64 values (C order, native byte
    order) searched exactly, and its columns' names for messages."""

    values: np.ndarray
    names: list

    @property
    def shape(self):
        return self.values.shape


def number_text(name, value):
    """The decimal digits of a scale or fraction: a float's shortest repr,
    a Decimal's or an integer's own digits, or a string as written."""
    if isinstance(value, np.floating):
        return str(value)  # the shortest digits of its own width
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, (numbers.Integral, decimal.Decimal, str)) and not isinstance(value, (bool, np.bool_)):
        return str(value)
    raise TypeError(f"{name} must be a number (int, float, decimal.Decimal or str), not {type(value).__name__}")


def integer(name, value):
    if isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name} must be an integer, not bool")
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None


def integer_from(name, value, low, high=INT32_MAX):
    """value as an int from low to high: the compiled half takes 32 bits."""
    value = integer(name, value)
    if not low <= value <= high:
        raise ValueError(f"{name} {value}: expected {low} to {high}")
    return value


def read_table(data, columns=None, scale=None):
    """data as a C-contiguous int32 array of shape (n, d), n and d at least 1,
    or floats without a scale as a FloatTable. scale is None or what
    _kvs.parse_scale made of it."""
    if (type(data) is np.ndarray and data.dtype == np.int32 and data.ndim == 2 and data.flags.c_contiguous
            and data.flags.aligned and data.size and columns is None and scale is None):
        return data  # searched as it is
    pandas = sys.modules.get("pandas")  # a frame exists only where pandas was imported
    if pandas is not None and isinstance(data, pandas.DataFrame):
        values, names = _frame_columns(data, columns)
    else:
        values, names = _array_columns(_as_array(data), columns)
        values = _unmasked(values, names)
    if values.shape[0] == 0:
        raise ValueError("no data rows")
    if values.shape[1] == 0:
        raise ValueError("no columns")
    if not values.flags.aligned:
        values = values.copy()  # read through typed pointers, which must be aligned
    if values.dtype == np.int32 and values.flags.c_contiguous and scale is None:
        return values  # already what the search takes
    if values.dtype.kind in "OUS":
        cells = [_cell_text(cell) for cell in values.flat]
        return _kvs.int32_table_from_text(cells, values.shape[0], scale, names)
    if not values.dtype.isnative:
        values = values.astype(values.dtype.newbyteorder("="))
    if values.dtype.kind == "f" and values.dtype.itemsize <= 8 and scale is None:
        return FloatTable(np.ascontiguousarray(values), names)  # searched exactly as they are
    if values.dtype == np.float16 and scale is not None:
        values = values.astype(np.float32)  # read with float32's digits
    return _kvs.int32_table(values, scale, names)


def _as_array(data):
    try:
        # A masked array keeps its mask, checked once the columns are chosen.
        values = data if isinstance(data, np.ma.MaskedArray) else np.asarray(data)
    except ValueError:
        _raise_if_ragged(data)
        raise
    if values.ndim == 2:
        return values
    if values.size == 0:
        raise ValueError("no data rows")
    raise ValueError(f"data is {values.ndim}-D; expected a 2-D table, one vector per row "
                     "(a table of one column is data.reshape(-1, 1))")


def _unmasked(values, names):
    """A masked array's values, refused where a chosen cell is masked: the
    search has no value for it."""
    if not isinstance(values, np.ma.MaskedArray):
        return values
    masked = np.ma.getmaskarray(values)
    if masked.any():
        row, column = np.argwhere(masked)[0]
        raise ValueError(f"data has {np.count_nonzero(masked)} masked cells, the first at row {row}, column "
                         f"{names[column] if names else column}; search the rows without them: "
                         "X[~X.mask.any(axis=1)]")
    return values.data


def _raise_if_ragged(data):
    widths = [len(row) for row in data]
    for row, width in enumerate(widths):
        if width != widths[0]:
            raise ValueError(f"row {row} has {width} cells where row 0 has {widths[0]}")


def _array_columns(values, columns):
    if columns is None:
        return values, []
    width = values.shape[1]
    chosen = []
    for column in _column_list(columns):
        if isinstance(column, str):
            raise ValueError(f"column {column!r}: an array's columns are chosen by their positions from 0")
        chosen.append(_position(column, width))
    _check_chosen(columns, chosen)
    return values[:, chosen], [str(position) for position in chosen]


def _frame_columns(frame, columns):
    labels = list(frame.columns)
    if columns is None:
        chosen = list(range(len(labels)))
    else:
        chosen = [_labelled(column, labels) for column in _column_list(columns)]
        _check_chosen(columns, chosen)
    return frame.iloc[:, chosen].to_numpy(), [repr(labels[position]) for position in chosen]


def _labelled(column, labels):
    """The position of a frame's column chosen by its label, or else by its position."""
    if column not in labels:
        return _position(column, len(labels))
    if labels.count(column) > 1:
        raise ValueError(f"column {column!r} is ambiguous: the frame has {labels.count(column)} columns of that label")
    return labels.index(column)


def _column_list(columns):
    if isinstance(columns, (str, numbers.Integral)):
        return [columns]
    columns = list(columns)
    if not columns:
        raise ValueError("columns []: expected at least one column")
    return columns


def _position(column, width):
    if isinstance(column, str):
        raise ValueError(f"column {column!r} is not a column of the frame")
    position = integer("a column", column)
    if position < 0:
        raise ValueError(f"column {position}: expected column positions from 0")
    if position >= width:
        raise ValueError(f"column {position} was chosen, but the table has {width} columns")
    return position


def _check_chosen(columns, chosen):
    seen = set()
    for position in chosen:
        if position in seen:
            raise ValueError(f"columns {columns!r}: column {position} is chosen twice")
        seen.add(position)


def _cell_text(cell):
    if isinstance(cell, (bool, np.bool_)):
        return str(int(cell))  # 0 and 1, as in an array of booleans
    if isinstance(cell, float) and not isinstance(cell, np.floating):
        return repr(cell)
    if isinstance(cell, bytes):
        return cell.decode("utf-8", "replace")
    return str(cell)
