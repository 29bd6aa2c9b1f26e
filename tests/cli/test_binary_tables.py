"""kvs search on numpy's binary files, as numpy writes them: every form
gives what the same table as text gives."""
import gzip
import io
import json
import os
import subprocess

import numpy as np
import pytest

KVS = os.environ["KVS"]
ROWS = np.random.default_rng(5).integers(-60, 60, size=(50, 3))


def search(path, *options, stdin=None, size="9"):
    run = subprocess.run([KVS, "search", path, "-s", size, "--format", "json", "-j", "1", *options],
                         input=stdin, capture_output=True, check=False)
    return run.returncode, run.stdout.decode(), run.stderr.decode()


def answer(path, *options, stdin=None):
    code, out, err = search(path, *options, stdin=stdin)
    assert (code, err) == (0, "")
    result = json.loads(out)
    return {key: result[key] for key in ("n", "d", "centre", "subset", "score")}


def npy_bytes(array, version=None):
    buffer = io.BytesIO()
    np.lib.format.write_array(buffer, array, version=version)
    return buffer.getvalue()


@pytest.fixture(scope="module")
def expected(tmp_path_factory):
    path = tmp_path_factory.mktemp("text") / "rows.csv"
    np.savetxt(path, ROWS, fmt="%d", delimiter=",")
    return answer(str(path))


FORTRAN = np.asfortranarray
NPY_CASES = [
    # (name, array, .npy version, options)
    ("int32 C order", ROWS.astype("<i4"), None, ()),
    ("int32 Fortran order", FORTRAN(ROWS.astype("<i4")), None, ()),
    ("int8", ROWS.astype("i1"), None, ()),
    ("int16 big-endian, Fortran order", FORTRAN(ROWS.astype(">i2")), None, ()),
    ("int32 big-endian", ROWS.astype(">i4"), None, ()),
    ("int64", ROWS.astype("<i8"), None, ()),
    ("uint64 big-endian, shifted", (ROWS + 60).astype(">u8"), None, ()),
    ("version 2.0", ROWS.astype("<i4"), (2, 0), ()),
    ("version 3.0, Fortran order", FORTRAN(ROWS.astype("<i8")), (3, 0), ()),
    ("float64 quarters, scaled", ROWS / 4.0, None, ("--scale", "4")),
    ("float32 tenths, scaled", (ROWS / 10).astype("<f4"), None, ("--scale", "10")),
    ("columns chosen from a wider array", np.column_stack([ROWS[:, 2], ROWS[:, 0] * 7, ROWS[:, 1], ROWS[:, 0]]),
     None, ("--columns", "4,3,1")),
    ("columns chosen, Fortran order", FORTRAN(np.column_stack([ROWS[:, 2], ROWS, ROWS[:, 1]]).astype(">i4")),
     None, ("--columns", "2,3,4")),
]


@pytest.mark.parametrize("name, array, version, options", NPY_CASES, ids=[c[0] for c in NPY_CASES])
def test_npy_as_file_gzip_and_standard_input(tmp_path, expected, name, array, version, options):
    data = npy_bytes(array, version)
    (tmp_path / "rows.npy").write_bytes(data)
    (tmp_path / "rows.npy.gz").write_bytes(gzip.compress(data))
    for path, stdin in ((tmp_path / "rows.npy", None), (tmp_path / "rows.npy.gz", None), ("-", data)):
        assert answer(str(path), *options, stdin=stdin) == expected, path


def test_one_column_and_bools(tmp_path):
    column, flags = ROWS[:, 0], ROWS[:, :2] > 0
    np.savetxt(tmp_path / "column.csv", column, fmt="%d")
    np.savetxt(tmp_path / "flags.csv", flags, fmt="%d", delimiter=",")
    np.save(tmp_path / "column.npy", column)
    np.save(tmp_path / "flags.npy", flags)
    for name in ("column", "flags"):
        assert answer(str(tmp_path / f"{name}.npy")) == answer(str(tmp_path / f"{name}.csv"))


def test_floats_read_as_their_shortest_decimal(tmp_path):
    """2.675 is 2.67499999999999982236431605997495353221893310546875 as a
    double; the decimal numpy prints and a CSV holds, 2.675, rounds up."""
    floats = np.array([[2.675, -2.675, 0.1]])
    np.save(tmp_path / "f.npy", floats)
    np.savetxt(tmp_path / "f.csv", floats, fmt="%r", delimiter=",")
    for path in ("f.npy", "f.csv"):
        code, out, err = search(str(tmp_path / path), "--scale", "100", size="1")
        assert (code, err) == (0, "")
        assert json.loads(out)["centre_vector"] == [268, -268, 10]


NPZ_CASES = [
    # (name, writer, arrays, options)
    ("stored, one array", np.savez, {"rows": ROWS}, ()),
    ("deflated, one array", np.savez_compressed, {"rows": ROWS.astype(">i8")}, ()),
    ("stored, chosen by name", np.savez, {"a": ROWS[:3], "rows": ROWS, "z": ROWS[:1]}, ("--array", "rows")),
    ("deflated, chosen by name", np.savez_compressed, {"a": ROWS[:3], "rows": FORTRAN(ROWS)}, ("--array", "rows")),
]


@pytest.mark.parametrize("name, writer, arrays, options", NPZ_CASES, ids=[c[0] for c in NPZ_CASES])
def test_npz_as_file_and_standard_input(tmp_path, expected, name, writer, arrays, options):
    writer(tmp_path / "rows.npz", **arrays)
    data = (tmp_path / "rows.npz").read_bytes()
    assert answer(str(tmp_path / "rows.npz"), *options) == expected
    assert answer("-", *options, stdin=data) == expected


REFUSALS = [
    # (name, writer, arrays, options, message)
    ("two arrays, none chosen", np.savez, {"a": ROWS, "b": ROWS}, (),
     "the file holds more than one array ('b' after 'a'); choose one with --array NAME"),
    ("an array that is not there", np.savez_compressed, {"a": ROWS, "b": ROWS}, ("--array", "c"),
     "the file has no array 'c'; it holds 'a', 'b'"),
    ("floats without a scale", np.savez, {"a": ROWS / 2}, (),
     "array 'a': the array holds floats (<f8); use --scale K to read every value as round(value * K)"),
    ("a value beyond 32 bits", np.savez, {"a": np.array([[1, 2], [3, 2**40]])}, (),
     "array 'a': row 2, column 2: 1099511627776 is outside the signed 32-bit range (-2147483648 to 2147483647)"),
    ("a NaN", np.savez, {"a": np.array([[1.5, np.nan]])}, ("--scale", "2"),
     "array 'a': row 1, column 2: nan is not a number (NaN)"),
]


@pytest.mark.parametrize("name, writer, arrays, options, message", REFUSALS, ids=[c[0] for c in REFUSALS])
def test_npz_refusals_name_the_file_and_the_fault(tmp_path, name, writer, arrays, options, message):
    writer(tmp_path / "bad.npz", **arrays)
    code, out, err = search(str(tmp_path / "bad.npz"), *options, size="1")
    assert (code, out) == (2, "")
    assert err == f"kvs: {tmp_path / 'bad.npz'}: {message}\n"
