"""Reading: the sample file against harinfo's listing and CSV, the lookups and
their errors, and damaged or foreign files against harinfo's messages."""

import csv
import io
import os

import numpy as np
import pytest

import modrask
from conftest import SAMPLE, harinfo_error, harinfo_json, run_harinfo


def test_listing_matches_harinfo():
    listing = harinfo_json(SAMPLE)
    f = modrask.open(SAMPLE)
    assert f.flavour == listing["framing"]
    assert f.headers == [h["name"] for h in listing["headers"]]
    assert len(f) == len(listing["headers"])
    for want in listing["headers"]:
        h = f[want["name"].lower()]
        assert (h.name, h.type, h.long_name) == (want["name"], want["type"], want["long_name"])
        if h.type == "1C":
            assert (h.shape, h.string_length) == ((want["strings"],), want["string_length"])
        elif h.type == "2I":
            assert h.shape == (want["rows"], want["cols"])
        else:
            assert h.storage == want["storage"]
            assert list(h.shape) == want["dims"]
            assert [name for name, _ in h.sets] == [lab.get("set") for lab in want["labels"]]


def test_sets_and_history_match_harinfo():
    f = modrask.open(SAMPLE)
    code, out, _ = run_harinfo("history", SAMPLE)
    assert code == 0 and f.history == out.splitlines()
    # Each set's elements are the strings of the character header defining it.
    defined = {f[n].long_name.split()[1]: f[n].values for n in f.headers if f[n].type == "1C"}
    used = {name: elements for n in f.headers for name, elements in f[n].sets}
    assert used == defined


def assert_frame_is_harinfo_csv(path, name):
    """to_pandas of header `name` holds what `harinfo csv` prints of it."""
    h = modrask.open(path)[name]
    code, out, err = run_harinfo("csv", path, name)
    assert code == 0, err
    rows = list(csv.reader(io.StringIO(out)))
    frame = h.to_pandas()
    assert list(frame.columns) == rows[0]
    assert len(frame) == len(rows) - 1 == h.values.size
    for got, want in zip(frame.itertuples(index=False), rows[1:]):
        assert [str(x) for x in got[:-1]] == want[:-1]
        assert got[-1] == float(want[-1])


@pytest.mark.parametrize("name", ["POP", "PROD", "TRAD", "MRGN", "YEAR"])
def test_values_match_harinfo_csv(name):
    assert_frame_is_harinfo_csv(SAMPLE, name)


def test_unlabelled_and_empty_frames_match_harinfo_csv(tmp_path):
    path = str(tmp_path / "frames.har")
    rl = np.arange(12, dtype=np.float32).reshape(3, 4)
    part = np.ones((2, 3), dtype=np.float32)
    modrask.write(path, {"RL": modrask.Array(rl),
                         "EMPT": modrask.Array(np.zeros((2, 0), dtype=np.float32),
                                               sets=[("A", ["a1", "a2"]), ("B", [])]),
                         "PART": modrask.Array(part, sets=[("A", ["a1", "a2"]),
                                                           ("C", ["c1", "c2", "c3"])])})
    for name in ("RL", "EMPT", "PART"):
        assert_frame_is_harinfo_csv(path, name)
    assert list(modrask.open(path)["RL"].to_pandas().columns) == ["dim1", "dim2", "Value"]


def test_values_are_fortran_ordered_numpy_read_once():
    f = modrask.open(SAMPLE)
    prod = f["PROD"].values
    assert prod.dtype == np.float32 and prod.shape == (3, 5) and prod.flags["F_CONTIGUOUS"]
    # The sample's PROD holds 1.5 * its Fortran position from 1.
    assert np.array_equal(prod.ravel(order="F"), 1.5 * np.arange(1, 16, dtype=np.float32))
    year = f["YEAR"].values
    assert year.dtype == np.int32 and year.tolist() == [[2020] * 3, [2035, 2040, 2045]]
    h = f["prod"]
    assert h.values is h.values
    assert f["REG"].values == ["NORTH", "SOUTH", "EAST", "WEST", "CENTRE"]
    # A header read again from the file gives the same values.
    assert np.array_equal(f["PROD"].values, prod)


def test_lookups_and_their_errors():
    f = modrask.open(SAMPLE)
    assert "prod" in f and "NONE" not in f
    with pytest.raises(KeyError):
        f["NONE"]
    with pytest.raises(TypeError):
        f[3]
    with pytest.raises(TypeError):
        modrask.open(None)
    h = f["POP"]
    with f:
        pass
    assert f.closed
    with pytest.raises(modrask.HarError) as e:
        h.values
    assert str(e.value) == f"File {SAMPLE} is closed"


def test_foreign_and_empty_files_give_harinfos_message(tmp_path):
    foreign, empty = tmp_path / "foreign.txt", tmp_path / "empty.har"
    foreign.write_text("not a Header Array file\n" * 40)
    empty.write_bytes(b"")
    for path in (str(foreign), str(empty)):
        with pytest.raises(modrask.HarError) as e:
            modrask.open(path)
        assert str(e.value) == harinfo_error(path)


def test_damaged_files_raise_the_readers_message(edited, sample_bytes):
    """Every 40th truncation and byte bump of the sample: either the file
    still reads, with every value, or HarError says what harinfo says."""
    size = len(sample_bytes)
    edits = [lambda b, n=n: b[:n] for n in range(0, size, 40)]
    edits += [lambda b, n=n: b[:n] + bytes([(b[n] + 1) % 256]) + b[n + 1:]
              for n in range(0, size, 40)]
    failures = 0
    for edit in edits:
        path = edited(edit)
        code, _, _ = run_harinfo(path)
        try:
            f = modrask.open(path)
            for name in f.headers:
                f[name].values
        except modrask.HarError as e:
            failures += 1
            if code == 2:
                assert str(e) == harinfo_error(path)
        else:
            assert code == 0
        os.remove(path)
    assert failures > len(edits) // 4


def test_one_headers_values_are_read_without_the_others(tmp_path):
    """Opening leaves the values in the file, and each header reads only its
    own records: with the second array's records cut off after opening, the
    first still reads and the second fails with the reader's message."""
    path = tmp_path / "two.har"
    a = np.arange(2_000_000, dtype=np.float32)  # each array larger than the reader's buffer
    modrask.write(path, {"A": modrask.Array(a), "B": modrask.Array(a[::-1].copy())})
    f = modrask.open(path)
    os.truncate(path, os.path.getsize(path) - 4_000_000)
    assert np.array_equal(f["A"].values, a)
    with pytest.raises(modrask.HarError) as e:
        f["B"].values
    assert str(e.value) == ("Unexpected end-of-file [FileRead] [GetLaheyRecA] [GetRecBuf] "
                            "[GetRLData] [ReadHeaderValues]")
