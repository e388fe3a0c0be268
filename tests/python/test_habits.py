"""The habits of Python data libraries: File as a mapping, one Header per
name, reprs, the file system's errors, pandas and xarray both ways."""

import ast
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np
import pandas as pd
import pytest

import modrask
from conftest import HARINFO, SAMPLE, harinfo_error, harinfo_json

# The folder modrask is imported from, for a Python started by a test.
SITE = os.path.dirname(os.path.dirname(modrask.__file__))


def test_file_is_a_read_only_mapping_of_the_ordinary_headers():
    f = modrask.open(SAMPLE)
    names = f.headers
    assert list(f) == list(f.keys()) == names and len(f) == len(names) == 8
    assert [h.name for h in f.values()] == names
    assert [(n, h.name) for n, h in f.items()] == [(n, n) for n in names]
    assert all(n in f and n.lower() in f.keys() and f.get(n) is f[n] for n in names)
    for special in ("XXCD", "XXCR", "XXCP", "XXHS"):
        assert special not in f and f.get(special) is None and special not in list(f)
        with pytest.raises(KeyError):
            f[special]
    assert f.get("NONE", 5) == 5
    assert isinstance(f, modrask.File) and dict(f.items()).keys() == set(names)
    with pytest.raises(TypeError):
        f["PROD"] = f["PROD"]


def test_special_headers_are_attributes_as_harinfo_lists_them():
    f = modrask.open(SAMPLE)
    listing = harinfo_json(SAMPLE)
    assert (f.created, f.program) == (listing["created"], listing["program"])
    assert f.history[0] == "no previous history"


def test_a_header_is_one_object_and_its_edits_stay(tmp_path):
    f = modrask.open(SAMPLE)
    assert f["PROD"] is f["prod"] is f.get("PROD")
    f["PROD"].values[0, 0] = 99.0
    assert f["PROD"].values[0, 0] == 99.0
    out = tmp_path / "edited.har"
    modrask.write(out, dict(f.items()))
    assert modrask.open(out)["PROD"].values[0, 0] == 99.0
    assert modrask.open(SAMPLE)["PROD"].values[0, 0] == 1.5


def test_reprs_say_what_they_are():
    f = modrask.open(SAMPLE)
    assert repr(f) == f"<modrask.File {SAMPLE!r} New Fujitsu, 8 headers>"
    assert repr(f["PROD"]) == ("<modrask.Header PROD RE FULL shape (3, 5) over COM x REG "
                               "'Output by commodity and region'>")
    assert repr(f["REG"]).startswith("<modrask.Header REG 1C 5 strings of length ")
    assert repr(f["YEAR"]).startswith("<modrask.Header YEAR 2I FULL shape (2, 3) ")
    a = modrask.Array.from_header(f["PROD"])
    assert repr(a) == ("modrask.Array(<float32 array of shape (3, 5)>, sets=['COM', 'REG'], "
                       "long_name='Output by commodity and region')")
    h = f["POP"]
    f.close()
    assert repr(f) == f"<modrask.File {SAMPLE!r} closed>"
    assert repr(h) == "<modrask.Header of a closed file>"


def test_file_system_faults_are_oserrors_in_harinfos_words(tmp_path):
    missing = str(tmp_path / "missing.har")
    for path, kind in ((missing, FileNotFoundError), (str(tmp_path), IsADirectoryError)):
        with pytest.raises(kind) as e:
            modrask.open(path)
        assert f"{e.value.filename}: {e.value.strerror}" == harinfo_error(path)
        assert "[" not in e.value.strerror
    # A file of mode 000, opened by a user other than root (who may read it).
    folder = tempfile.mkdtemp()
    os.chmod(folder, 0o755)
    locked = os.path.join(folder, "locked.har")
    shutil.copy(SAMPLE, locked)
    os.chmod(locked, 0)
    as_user = []
    if os.geteuid() == 0:
        if shutil.which("setpriv") is None:
            pytest.skip("root reads a file of mode 000, and setpriv is missing")
        as_user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
    check = ("import modrask, sys\n"
             "try:\n    modrask.open(sys.argv[1])\n"
             "except PermissionError as e:\n    print(f'{e.filename}: {e.strerror}')\n")
    try:
        done = subprocess.run([*as_user, sys.executable, "-c", check, locked], capture_output=True,
                              text=True, check=False, env={**os.environ, "PYTHONPATH": SITE})
        plain = subprocess.run([*as_user, HARINFO, locked], capture_output=True, text=True,
                               check=False)
    finally:
        shutil.rmtree(folder)
    assert done.stdout == plain.stderr[len("harinfo: "):] == f"{locked}: cannot be opened for reading\n"


def test_creation_stamp_holds_date_and_time(tmp_path):
    out = tmp_path / "stamp.har"
    modrask.write(out, {"A": modrask.Array([1.0])})
    assert re.fullmatch(r"at \d{4}-\d\d-\d\d \d\d:\d\d:\d\d", modrask.open(out).created)
    assert harinfo_json(out)["created"] == modrask.open(out).created


def test_version_is_the_projects():
    assert re.fullmatch(r"\d+\.\d+\.\d+", modrask.__version__)
    cmake = os.environ.get("MODRASK_CMAKELISTS")
    if cmake:
        assert f"VERSION {modrask.__version__} " in open(cmake, encoding="utf-8").read()


# (values given, dtype and values written)
CONVERSIONS = [
    (np.array([1.5, -2.25], dtype=np.float64), np.float32, [1.5, -2.25]),
    (np.array([[1, 2], [3, 4]], dtype=np.int64), np.float32, [[1, 2], [3, 4]]),
    (np.array([7, 255], dtype=np.uint8), np.float32, [7, 255]),
    (np.array([0.5], dtype=np.float16), np.float32, [0.5]),
    ([1, 2.5], np.float32, [1, 2.5]),
    (3.5, np.float32, [3.5]),
    (pd.Series([4.0, 5.0]), np.float32, [4, 5]),
    (np.array([np.inf, -np.inf], dtype=np.float64), np.float32, [np.inf, -np.inf]),
    (np.array([[1, 2]], dtype=np.int32), np.int32, [[1, 2]]),
]


@pytest.mark.parametrize("given,dtype,written", CONVERSIONS)
def test_write_converts_real_array_likes(tmp_path, given, dtype, written):
    out = tmp_path / "conv.har"
    modrask.write(out, {"X": modrask.Array(given)})
    got = modrask.open(out)["X"].values
    assert got.dtype == dtype and got.tolist() == written


def test_int32_with_sets_is_a_real_array(tmp_path):
    out = tmp_path / "ints.har"
    modrask.write(out, {"X": modrask.Array(np.array([1, 2], np.int32), sets=[("S", ["a", "b"])])})
    h = modrask.open(out)["X"]
    assert h.type == "RE" and h.values.tolist() == [1.0, 2.0]


def test_to_pandas_of_every_type():
    f = modrask.open(SAMPLE)
    strings = f["REG"].to_pandas()
    assert list(strings.columns) == ["String"] and list(strings["String"]) == f["REG"].values
    year = f["YEAR"].to_pandas()
    assert [year[c].dtype.kind for c in year.columns] == ["i", "i", "i"]
    prod = f["PROD"].to_pandas()
    for column, (_, elements) in zip(["COM", "REG"], f["PROD"].sets):
        dtype = prod[column].dtype
        assert dtype.ordered and list(dtype.categories) == elements
    # The set's order survives a pivot, not the alphabet's.
    table = prod.pivot_table(index="REG", columns="COM", values="Value")
    assert list(table.index) == f["REG"].values
    assert table.to_numpy().tolist() == f["PROD"].values.T.tolist()


def round_trips(tmp_path, to, back):
    """Every header of the sample through `to` and `back` (the 1C headers as
    they are when `to` refuses them), written and read; the file is the
    sample's."""
    f = modrask.open(SAMPLE)
    out = tmp_path / "round.har"
    through = {}
    for name, h in f.items():
        try:
            through[name] = back(to(h))
        except TypeError:
            through[name] = h
    modrask.write(out, through, history=f.history)
    d = modrask.diff(SAMPLE, out)
    assert d["equal"], d["summary"]
    return f, modrask.open(out)


def test_pandas_round_trip_is_exact(tmp_path):
    first, again = round_trips(tmp_path, modrask.Header.to_pandas, modrask.Array.from_pandas)
    assert list(first) == list(again)
    for name in first:
        a, b = first[name].to_pandas(), again[name].to_pandas()
        pd.testing.assert_frame_equal(a, b)
        assert a.attrs == b.attrs


def test_series_and_sparse_frames(tmp_path):
    prod = modrask.open(SAMPLE)["PROD"]
    frame = prod.to_pandas()
    series = frame.set_index(["COM", "REG"])["Value"]
    assert np.array_equal(modrask.Array.from_pandas(series).values, prod.values)
    # Rows left out are zeros; an unlabelled dimension comes from positions.
    part = pd.DataFrame({"REG": pd.Categorical(["EAST"], categories=["NORTH", "EAST"]),
                         "dim2": [3], "Value": [2.0]})
    with pytest.raises(ValueError, match="dimension dim2 has positions"):
        modrask.Array.from_pandas(part)
    a = modrask.Array.from_pandas(part.drop(columns="REG"))
    assert a.sets is None and a.values.tolist() == [0, 0, 2]
    with pytest.raises(ValueError, match="two rows give the same cell"):
        modrask.Array.from_pandas(pd.concat([frame, frame.iloc[:1]]))


def test_xarray_round_trip_is_exact(tmp_path):
    xr = pytest.importorskip("xarray")
    f = modrask.open(SAMPLE)
    da = f["TRAD"].to_xarray()
    assert da.dims == tuple(f["TRAD"].column_titles) and da.attrs["long_name"] == f["TRAD"].long_name
    assert [list(da.coords[d].values) for d in da.dims] == [e for _, e in f["TRAD"].sets]
    assert [da.coords[d].attrs["set"] for d in da.dims] == [s for s, _ in f["TRAD"].sets]
    first, again = round_trips(tmp_path, modrask.Header.to_xarray, modrask.Array.from_xarray)
    for name in (n for n in first if first[n].type != "1C"):
        xr.testing.assert_identical(first[name].to_xarray(), again[name].to_xarray())
    with pytest.raises(TypeError, match="header REG holds strings"):
        f["REG"].to_xarray()


def test_to_xarray_without_xarray_says_what_to_install(monkeypatch):
    monkeypatch.setitem(sys.modules, "xarray", None)
    with pytest.raises(ImportError, match="needs the xarray package"):
        modrask.open(SAMPLE)["PROD"].to_xarray()


def test_stubs_name_everything_the_extension_has():
    folder = os.path.dirname(modrask.__file__)
    assert os.path.exists(os.path.join(folder, "py.typed"))
    with open(os.path.join(folder, "_modrask.pyi"), encoding="utf-8") as f:
        stub = ast.parse(f.read())
    classes = {c.name: {d.name for d in c.body if isinstance(d, ast.FunctionDef)}
               for c in stub.body if isinstance(c, ast.ClassDef)}
    for cls in (modrask.File, modrask.Header):
        assert {n for n in vars(cls) if not n.startswith("__")} <= classes[cls.__name__]
    functions = {d.name for d in stub.body if isinstance(d, ast.FunctionDef)}
    compiled = vars(modrask._modrask)
    assert functions == {n for n, v in compiled.items() if callable(v) and not n.startswith("__")
                         and not isinstance(v, type)}
