"""Header Array files read, written and renamed from Python.

    f = modrask.open("sample.har")     # names, descriptors, labels; no values yet
    list(f), len(f), "PROD" in f       # a read-only mapping of the headers, in file order
    h = f["prod"]                      # any case; the same Header each time
    h.type, h.storage, h.long_name, h.sets, h.shape
    h.values                           # numpy float32, read on first use
    h.to_pandas(), h.to_xarray()       # long form as `harinfo csv`; a labelled DataArray
    f.created, f.program, f.history    # the special headers
    modrask.write("new.har", {"PROD": modrask.Array(values, sets=[...])})
    modrask.rename_set("in.har", "out.har", "REG", "ZONE")
    modrask.diff("a.har", "b.har")     # as `harinfo diff --json`

A file that is missing, a folder or not readable raises FileNotFoundError,
IsADirectoryError or PermissionError; a damaged or foreign file, and every
other failure of the library, HarError with the library's message; a wrong
argument TypeError or ValueError.
"""

import collections.abc as _abc
import datetime as _dt
import json as _json
import os as _os

import numpy as _np

from ._modrask import File, HarError, Header
from ._modrask import _diff_json, _rename_set, _write
from ._version import __version__

HarError.__doc__ = """A failure of the library: its message with the tags of the calls it went
through, the text Mardex or harinfo would print (a damaged file gives the
reader's message)."""

__all__ = ["Array", "File", "HarError", "Header", "__version__", "diff", "open", "rename_set",
           "write"]


def open(path):  # noqa: A001 - the module's own open, as in gzip.open
    """Opens the Header Array file `path` for reading and returns a File.

    Header names, descriptors, labels, character data and the history are
    read now; the values of each header when its `values` is first used.
    FileNotFoundError, IsADirectoryError or PermissionError for a fault of
    the file system; HarError with the reader's message for a damaged or
    foreign file.
    """
    return File(_os.fspath(path))


class Array:
    """Values to write as one header, with their labels.

    values: a real array-like of up to 7 dimensions (any float or integer
    dtype; written as float32), a numpy int32 matrix without sets (a 2I
    header) or a list of str (1C).
    sets: for a real array, one (set name, element names) pair per
    dimension, dimension 1 first; None writes it unlabelled.
    long_name: at most 70 characters.
    string_length: for 1C, the length of its strings (the longest if None).
    """

    def __init__(self, values, sets=None, long_name="", string_length=None):
        self.values = values
        self.sets = sets
        self.long_name = long_name
        self.string_length = string_length

    def __repr__(self):
        values = self.values
        if isinstance(values, _np.ndarray):
            shown = f"<{values.dtype} array of shape {values.shape}>"
        else:
            shown = f"<{type(values).__name__} of {len(values)}>" if hasattr(values, "__len__") \
                else repr(values)
        sets = [name for name, _ in self.sets] if self.sets is not None else None
        return f"modrask.Array({shown}, sets={sets!r}, long_name={self.long_name!r})"

    @classmethod
    def from_header(cls, header):
        """The header's values and labels, as they would be written again."""
        sets = header.sets if header.type not in ("1C", "2I") else None
        if sets is not None and all(name is None for name, _ in sets):
            sets = None
        length = header.string_length if header.type == "1C" else None
        return cls(header.values, sets=sets, long_name=header.long_name, string_length=length)

    @classmethod
    def from_pandas(cls, data, long_name=None):
        """An Array from a long-form DataFrame or a Series, as to_pandas gives them.

        A DataFrame: one column per dimension, then the values; a Series:
        its index levels are the dimensions. A dimension of element names
        (an ordered categorical keeps its categories, in order; other
        names are taken in order of appearance) is labelled by a set named
        as its column, or as `attrs["sets"]` names it; a dimension of
        positions 1..n is unlabelled. Cells absent from the rows are 0. A
        single column "String" gives a 1C header.
        """
        import pandas as pd

        if isinstance(data, pd.Series):
            attrs = data.attrs
            frame = data.reset_index()
        elif isinstance(data, pd.DataFrame):
            attrs, frame = data.attrs, data
        else:
            raise TypeError(f"a pandas DataFrame or Series wanted, not {type(data).__name__}")
        if long_name is None:
            long_name = attrs.get("long_name", "")
        if list(frame.columns) == ["String"]:
            return cls([str(s) for s in frame["String"]], long_name=long_name,
                       string_length=attrs.get("string_length"))
        if frame.shape[1] < 2:
            raise ValueError("a column per dimension and a column of values wanted")
        dims = [_dimension_of(frame[c], str(c)) for c in frame.columns[:-1]]
        names = attrs.get("sets")
        if not isinstance(names, list) or len(names) != len(dims):
            names = [str(c) for c in frame.columns[:-1]]
        codes = [codes for _, codes in dims]
        shape = tuple(len(e) if isinstance(e, list) else e for e, _ in dims)
        values = _place(frame.iloc[:, -1].to_numpy(), codes, shape)
        return cls(values, sets=_sets_of(names, [e for e, _ in dims]), long_name=long_name)

    @classmethod
    def from_xarray(cls, data, long_name=None):
        """An Array from an xarray DataArray, as to_xarray gives it.

        Its dimensions in order; a dimension with coordinates of str is
        labelled by a set named by the coordinate's attribute "set", else
        by the dimension's name; one without is unlabelled. long_name:
        the DataArray's attribute "long_name" when None.
        """
        if long_name is None:
            long_name = data.attrs.get("long_name", "")
        names, elements = [], []
        for dim, size in zip(data.dims, data.shape):
            coord = data.coords.get(dim)
            if coord is not None and coord.dtype.kind in "OUS":
                names.append(str(coord.attrs.get("set", dim)))
                elements.append([str(e) for e in coord.values])
            else:
                names.append(str(dim))
                elements.append(size)
        return cls(_np.asarray(data.values), sets=_sets_of(names, elements), long_name=long_name)


def _dimension_of(column, title):
    """(element names, codes from 0) of a column of names, or (size, codes)
    of a column of positions from 1."""
    import pandas as pd

    if isinstance(column.dtype, pd.CategoricalDtype):
        return [str(e) for e in column.cat.categories], column.cat.codes.to_numpy()
    if column.dtype.kind in "iu":
        positions = column.to_numpy()
        if positions.size and positions.min() < 1:
            raise ValueError(f"column {title}: positions start at 1")
        return int(positions.max(initial=0)), positions - 1
    codes, names = pd.factorize(column, sort=False)
    return [str(e) for e in names], codes


def _place(values, codes, shape):
    """The array of `shape` (first dimension fastest) holding values[i] at
    the cell codes[.][i]; 0 where no row gives a value."""
    dtype = values.dtype if values.dtype.kind in "iuf" else _np.float64
    flat = _np.zeros(int(_np.prod(shape)), dtype=dtype)
    if codes:
        index = _np.ravel_multi_index([_np.asarray(c) for c in codes], shape, order="F")
        if _np.unique(index).size != index.size:
            raise ValueError("two rows give the same cell")
        flat[index] = values
    return flat.reshape(shape, order="F")


def _sets_of(names, elements):
    """sets for Array: every dimension labelled, or None for none; a
    dimension given by size among labelled ones is a ValueError."""
    labelled = [isinstance(e, list) for e in elements]
    if not any(labelled):
        return None
    if not all(labelled):
        missing = names[labelled.index(False)]
        raise ValueError(f"dimension {missing} has positions, not element names: label every "
                         "dimension or none")
    return list(zip(names, elements))


def _writable(name, values, sets):
    """values as write hands them to the writer: a list of str as it is, a
    numpy int32 matrix without sets as it is (2I), any other real
    array-like as float32; ValueError naming the header for a finite value
    that float32 cannot hold."""
    if isinstance(values, (list, tuple)) and all(isinstance(v, str) for v in values):
        return values
    if isinstance(values, _np.ndarray) and values.dtype == _np.int32 and sets is None:
        return values
    try:
        a = _np.asarray(values)
    except (TypeError, ValueError) as e:
        raise TypeError(f"header {name}: values must be a real array-like or a list of str") from e
    if a.dtype.kind == "O":
        raise TypeError(f"header {name}: values must be a real array-like or a list of str, "
                        f"not {type(values).__name__}")
    if a.dtype.kind not in "iuf" or a.dtype == _np.float32:
        return a  # the writer names a dtype it does not take
    with _np.errstate(over="ignore"):
        f = a.astype(_np.float32)
    if a.dtype.kind == "f":
        lost = _np.isinf(f) & _np.isfinite(a)
        if lost.any():
            raise ValueError(f"header {name}: value {a[lost].flat[0]!r} does not fit in float32 "
                             "(it would be written as an infinity)")
    return f


def write(path, headers, history=None, *, program="modrask", date=None, check_sets=True):
    """Writes the Header Array file `path` with the library's writer.

    headers: a mapping of header name to Array (or to a Header of an open
    file, written again as it reads), in the order they are written.
    Header names are 1 to 4 letters A-Z (case ignored, stored in upper
    case), digits, "@" or "_", not beginning with XX.
    history: lines for the history header. program and date: the creating
    program and the text of the creation stamp (the local date and time,
    as 2026-12-11 16:05:09, when None).
    Set and element names follow the rules Mardex and harinfo read them
    by (a letter, then letters, digits, "_" or "@", at most 12), and a set
    repeats no element. With check_sets, one set name given different
    elements in two headers is refused, as Mardex would refuse to rename
    it; check_sets=False writes such a file anyway.
    Wrong types raise TypeError; a value that does not fit float32, a wrong
    dtype, rank, shape or name ValueError, before anything is written; the
    writer's failures HarError. A failed write leaves no file behind, and a
    file already at `path` as it was.
    """
    heads = []
    for name, item in headers.items():
        if isinstance(item, Header):
            item = Array.from_header(item)
        if not isinstance(item, Array):
            raise TypeError(f"header {name}: Array or Header wanted, not {type(item).__name__}")
        values = _writable(name, item.values, item.sets)
        heads.append((name, values, item.sets, item.long_name, item.string_length))
    if date is None:
        date = _dt.datetime.now().strftime("%Y-%m-%d %H:%M:%S")
    _write(_os.fspath(path), heads, list(history or []), program, date, check_sets)


def rename_set(source, target, old, new):
    """Renames the set `old` to `new` everywhere in `source`, writing `target`.

    The labels of every real array over the set, the long names of the
    character headers that define it and the history ("Set <old> was
    globally renamed to <new>") change as Mardex changes them; the values
    are copied as they lie. Returns the number of changes. A `target` that
    names `source` replaces it only once the whole new file is written.
    FileNotFoundError, IsADirectoryError or PermissionError for a `source`
    the file system keeps from being read; HarError when `source` is
    damaged, already has a set `new` or has two different sets `old`; ValueError for an illegal `new`; a UserWarning (and
    a copy with 0 changes) when there is no set `old`.
    """
    return _rename_set(_os.fspath(source), _os.fspath(target), old, new)


def diff(old, new, abs=None, rel=None, nan_equal=False, cells=0, by="abs"):
    """Compares two files as `harinfo diff --json` does and returns its object.

    The keys: old, new, equal, only_in_old, only_in_new, headers (one entry
    per header in both files), history_equal, history_added, renames,
    tolerance, cells_within_tolerance, summary, and cells when asked for.
    The options are those of harinfo diff: abs and rel (a cell is equal when
    |new - old| <= abs + rel * |old|; exact when neither is given),
    nan_equal, cells (a count of the largest differences, or "all") and by
    ("abs" or "rel"). HarError when a file cannot be read; ValueError for
    an option out of range.
    """
    for name, value in (("abs", abs), ("rel", rel)):
        if value is not None and not (value >= 0 and value != float("inf")):
            raise ValueError(f"{name} wants a non-negative number, not {value!r}")
    if cells == "all":
        count = -1
    elif isinstance(cells, int) and not isinstance(cells, bool) and cells >= 0:
        count = cells
    else:
        raise ValueError(f"cells wants a count or 'all', not {cells!r}")
    if by not in ("abs", "rel"):
        raise ValueError(f"by wants 'abs' or 'rel', not {by!r}")
    tolerant = abs is not None or rel is not None
    return _json.loads(_diff_json(
        _os.fspath(old), _os.fspath(new),
        (abs or 0.0) if tolerant else -1.0, (rel or 0.0) if tolerant else -1.0,
        bool(nan_equal), count, by == "rel"))


def _labels(header):
    """(set name or None, element names or size) per dimension."""
    if header.type == "2I":
        return [(None, n) for n in header.shape]
    return [(name, elements if elements is not None else size)
            for (name, elements), size in zip(header.sets, header.shape)]


def _to_pandas(self):
    """The header's values in long form, as `harinfo csv` lists them.

    One column per dimension (titled as `column_titles` gives them: the set
    name, else "dim" + k, a repeated name followed by the dimension's
    position, as REG_3; "row" and "col" for a 2I matrix), then "Value";
    first dimension fastest. A column of element names is an ordered
    categorical in the set's order (so that sorting and pivot_table keep
    it); one of positions (an unlabelled dimension, 2I rows and columns)
    holds integers from 1. A 1C header gives one column "String".
    `attrs` keeps the header's name, type, long name and set names, for
    Array.from_pandas. Needs pandas.
    """
    import pandas as pd

    attrs = {"header": self.name, "type": self.type, "long_name": self.long_name}
    if self.type == "1C":
        frame = pd.DataFrame({"String": pd.Series(self.values, dtype=object)})
        attrs["string_length"] = self.string_length
        frame.attrs = attrs
        return frame
    values = self.values
    labels = _labels(self)
    columns = []
    inner = 1
    total = values.size
    for (_, names), size in zip(labels, values.shape):
        outer = total // (inner * size) if size else 0
        codes = _np.tile(_np.repeat(_np.arange(size), inner), outer)
        if isinstance(names, list) and len(set(names)) == len(names):
            columns.append(pd.Categorical.from_codes(codes, categories=names, ordered=True))
        elif isinstance(names, list):  # a repeated name cannot be a category
            columns.append(_np.asarray(names, dtype=object)[codes])
        else:
            columns.append(codes + 1)
        inner *= size
    columns.append(values.ravel(order="F"))
    frame = pd.DataFrame(dict(enumerate(columns)))
    frame.columns = self.column_titles + ["Value"]
    attrs["sets"] = [name if name is not None else title
                     for (name, _), title in zip(labels, self.column_titles)]
    frame.attrs = attrs
    return frame


def _to_xarray(self):
    """The values as an xarray DataArray named as the header.

    Dimensions named as `column_titles` names them; element names (or
    positions from 1) as coordinates, each with its set's name as its
    attribute "set"; the long name as the attribute "long_name". The data
    is `values` itself, not a copy. Needs xarray; a 1C header has no
    values to give (TypeError).
    """
    try:
        import xarray as xr
    except ImportError as e:
        raise ImportError("Header.to_xarray needs the xarray package (Debian: python3-xarray; "
                          "pip: xarray)") from e
    if self.type == "1C":
        raise TypeError(f"header {self.name} holds strings, not values: use values or to_pandas()")
    coords = {}
    for title, (name, names) in zip(self.column_titles, _labels(self)):
        labels = names if isinstance(names, list) else _np.arange(1, names + 1)
        coords[title] = (title, labels, {"set": name} if name is not None else {})
    return xr.DataArray(self.values, dims=self.column_titles, coords=coords, name=self.name,
                        attrs={"long_name": self.long_name})


def _header_repr(self):
    try:
        kind, shape = self.type, self.shape
    except HarError:
        return "<modrask.Header of a closed file>"
    if kind == "1C":
        what = f"{shape[0]} strings of length {self.string_length}"
    else:
        what = f"{self.storage} shape {shape}"
        if kind != "2I" and any(name is not None for name, _ in self.sets):
            what += " over " + " x ".join(name or "-" for name, _ in self.sets)
    return f"<modrask.Header {self.name} {kind} {what} {self.long_name!r}>"


def _file_repr(self):
    if self.closed:
        return f"<modrask.File {self.path!r} closed>"
    return f"<modrask.File {self.path!r} {self.flavour}, {len(self)} headers>"


Header.to_pandas = _to_pandas
Header.to_xarray = _to_xarray
Header.__repr__ = _header_repr
File.__repr__ = _file_repr
File.__iter__ = lambda self: iter(self.headers)
# The rest of the mapping from the abstract class, on File's own
# __getitem__, __len__, __iter__ and __contains__.
for _name in ("keys", "items", "values", "get"):
    setattr(File, _name, getattr(_abc.Mapping, _name))
_abc.Mapping.register(File)
