"""Header Array files read, written and renamed from Python.

    f = modrask.open("sample.har")     # names, descriptors, labels; no values yet
    f.headers                          # header names in file order
    h = f["prod"]                      # any case
    h.type, h.storage, h.long_name, h.sets, h.shape
    h.values                           # numpy float32, read on first use
    h.to_pandas()                      # long form, one column per dimension and "Value"
    modrask.write("new.har", {"PROD": modrask.Array(values, sets=[...])})
    modrask.rename_set("in.har", "out.har", "REG", "ZONE")
    modrask.diff("a.har", "b.har")     # as `harinfo diff --json`

Every failure of the library raises HarError with the library's message.
"""

import json as _json
import os as _os

from ._modrask import File, HarError, Header
from ._modrask import _diff_json, _rename_set, _write

HarError.__doc__ = """A failure of the library: its message with the tags of the calls it went
through, the text Mardex or harinfo would print (a damaged file gives the
reader's message)."""

__all__ = ["Array", "File", "HarError", "Header", "diff", "open", "rename_set", "write"]


def open(path):  # noqa: A001 - the module's own open, as in gzip.open
    """Opens the Header Array file `path` for reading and returns a File.

    Header names, descriptors, labels, character data and the history are
    read now; the values of each header when its `values` is first used.
    HarError with the reader's message when the file cannot be read.
    """
    return File(_os.fspath(path))


class Array:
    """Values to write as one header, with their labels.

    values: a numpy float32 array of up to 7 dimensions (a real array), a
    numpy int32 matrix (2I) or a list of str (1C).
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

    @classmethod
    def from_header(cls, header):
        """The header's values and labels, as they would be written again."""
        sets = header.sets if header.type not in ("1C", "2I") else None
        if sets is not None and all(name is None for name, _ in sets):
            sets = None
        length = header.string_length if header.type == "1C" else None
        return cls(header.values, sets=sets, long_name=header.long_name, string_length=length)


def write(path, headers, history=None, *, program="modrask", date=None):
    """Writes the Header Array file `path` with the library's writer.

    headers: a mapping of header name to Array (or to a Header of an open
    file, written again as it reads), in the order they are written.
    history: lines for the history header. program and date: the creating
    program and the time text stamped in the file (now when None).
    Wrong types raise TypeError; a wrong dtype, rank, shape or name raises
    ValueError before anything is written; the writer's failures HarError.
    A failed write leaves no file behind, and a file already at `path` as
    it was.
    """
    heads = []
    for name, item in headers.items():
        if isinstance(item, Header):
            item = Array.from_header(item)
        if not isinstance(item, Array):
            raise TypeError(f"header {name}: Array or Header wanted, not {type(item).__name__}")
        heads.append((name, item.values, item.sets, item.long_name, item.string_length))
    _write(_os.fspath(path), heads, list(history or []), program, date)


def rename_set(source, target, old, new):
    """Renames the set `old` to `new` everywhere in `source`, writing `target`.

    The labels of every real array over the set, the long names of the
    character headers that define it and the history ("Set <old> was
    globally renamed to <new>") change as Mardex changes them; the values
    are copied as they lie. Returns the number of changes. A `target` that
    names `source` replaces it only once the whole new file is written.
    HarError when `source` cannot be read, already has a set `new` or has two
    different sets `old`; ValueError for an illegal `new`; a UserWarning (and
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


def _to_pandas(self):
    """The header's values in long form, as `harinfo csv` lists them.

    One column per dimension (titled as `column_titles` gives them: the set
    name, else "dim" + k, a repeated name followed by the dimension's
    position, as REG_3; "row" and "col" for a 2I matrix) holding element
    names (1-based positions where the file gives none), then "Value"; first
    dimension fastest.
    Needs pandas.
    """
    import numpy as np
    import pandas as pd

    if self.type == "1C":
        raise HarError(f"header {self.name} holds strings, not values")
    values = self.values
    titles = self.column_titles
    if self.type == "2I":
        labels = [list(range(1, n + 1)) for n in values.shape]
    else:
        labels = [elements if elements is not None else list(range(1, size + 1))
                  for (_, elements), size in zip(self.sets, values.shape)]
    columns = []
    inner = 1
    total = values.size
    for names, size in zip(labels, values.shape):
        outer = total // (inner * size) if size else 0
        columns.append(np.tile(np.repeat(np.asarray(names, dtype=object), inner), outer))
        inner *= size
    columns.append(values.ravel(order="F"))
    frame = pd.DataFrame(dict(enumerate(columns)))
    frame.columns = titles + ["Value"]
    return frame


Header.to_pandas = _to_pandas
