"""Writing: the sample made again from Python byte for byte, round trips of
every kind of header, and the refusals that leave no file behind."""

import os
import subprocess

import numpy as np
import pytest

import modrask
from conftest import SAMPLE, harinfo_json

MARDEX = os.environ["MARDEX_BIN"]

REG = ("REG", ["NORTH", "SOUTH", "EAST"])
COM = ("COM", ["AGRI", "MANU"])


def rewrite(source, target, **stamps):
    """Writes every header of `source` again into `target`, history kept."""
    f = modrask.open(source)
    modrask.write(target, {n: f[n] for n in f.headers}, history=f.history, **stamps)
    return f


def same_values(a, b):
    """Equal bit for bit (NaN payloads and signed zeros included)."""
    a, b = np.asarray(a), np.asarray(b)
    if a.dtype == np.float32:
        a, b = a.view(np.uint32), b.view(np.uint32)
    return a.shape == b.shape and np.array_equal(a, b)


def test_sample_written_from_python_is_the_cpp_writers_bytes(tmp_path, sample_bytes):
    out = tmp_path / "sample.har"
    rewrite(SAMPLE, out, program="make_sample", date="00:00:00")
    assert out.read_bytes() == sample_bytes


def every_kind():
    rng = np.random.default_rng(26)
    sparse = np.zeros((3, 2, 3), dtype=np.float32)
    sparse[1, 1, 2] = -2.5
    sparse[2, 0, 0] = np.float32(1e-38)
    full = rng.standard_normal((3, 2)).astype(np.float32)
    full[0, 0] = -0.0
    full[1, 1] = np.float32(3.4e38)
    seven = rng.random((2, 1, 2, 1, 2, 1, 2), dtype=np.float32)
    return {
        "REG": modrask.Array(REG[1], long_name="Set REG regions", string_length=12),
        "COM": modrask.Array(COM[1]),
        "FULL": modrask.Array(full, sets=[REG, COM], long_name="A full array"),
        "SPSE": modrask.Array(sparse, sets=[REG, COM, REG]),
        "RL": modrask.Array(rng.random((4, 5), dtype=np.float32), long_name="unlabelled"),
        "ZERO": modrask.Array(np.zeros((3, 0), dtype=np.float32)),
        "SCAL": modrask.Array(np.array(7.25, dtype=np.float32)),
        "SEVN": modrask.Array(seven),
        "INTS": modrask.Array(np.arange(-6, 6, dtype=np.int32).reshape(3, 4)),
        "NOIN": modrask.Array(np.zeros((0, 2), dtype=np.int32)),
        "STRS": modrask.Array([], long_name="no strings"),
    }


def test_round_trip_of_every_kind_of_header(tmp_path):
    first, second = tmp_path / "first.har", tmp_path / "second.har"
    arrays = every_kind()
    modrask.write(first, arrays, history=["made in Python", "x" * 100])
    f = rewrite(first, second)
    assert f.headers == list(arrays)
    want_types = {"FULL": ("RE", "FULL"), "SPSE": ("RE", "SPSE"), "RL": ("RL", "FULL"),
                  "INTS": ("2I", "FULL"), "REG": ("1C", "FULL")}
    for name, (kind, storage) in want_types.items():
        assert (f[name].type, f[name].storage) == (kind, storage), name
    for name, a in arrays.items():
        h = f[name]
        want = a.values
        if name == "SCAL":
            # An unlabelled array keeps no trailing dimensions of size 1: the
            # file gives a scalar one dimension.
            want = np.reshape(want, (1,))
        assert same_values(h.values, want), name
        # The reader names a labelled array without a long name by its array name.
        assert h.long_name == (a.long_name or (name if a.sets else ""))
        if a.sets is not None:
            assert h.sets == [(s, e) for s, e in a.sets]
    assert f["REG"].string_length == 12 and f["COM"].string_length == 4
    assert f.history[0] == "no previous history" and f.history[1] == "made in Python"
    d = modrask.diff(first, second)
    assert d["equal"], d["summary"]
    assert modrask.open(second).history == f.history


def test_non_finite_values_are_written_and_read_back_bit_for_bit(tmp_path):
    out = tmp_path / "nan.har"
    # A NaN with a payload of its own, to see that the bits survive.
    values = np.array([1.0, np.nan, -np.inf, np.inf, 2.0], dtype=np.float32)
    values[1:2].view(np.uint32)[0] = 0x7FC01234
    modrask.write(out, {"NAN": modrask.Array(values)})
    data = out.read_bytes()
    assert values[1:4].tobytes() in data
    got = modrask.open(out)["NAN"].values
    assert got.tobytes() == values.tobytes()


def test_write_takes_any_memory_layout(tmp_path):
    out = tmp_path / "layout.har"
    c = np.arange(24, dtype=np.float32).reshape(2, 3, 4)
    strided = np.arange(48, dtype=np.float32).reshape(4, 12)[::2, ::3]
    modrask.write(out, {"C": modrask.Array(c), "STRD": modrask.Array(strided),
                        "INT": modrask.Array(np.ascontiguousarray(np.arange(6, dtype=np.int32).reshape(2, 3).T))})
    f = modrask.open(out)
    assert same_values(f["C"].values, c) and same_values(f["STRD"].values, strided)
    assert f["INT"].values.tolist() == [[0, 3], [1, 4], [2, 5]]


def test_harinfo_and_mardex_read_the_sets_as_written(tmp_path):
    out, renamed = tmp_path / "sets.har", tmp_path / "zone.har"
    modrask.write(out, {"REG": modrask.Array(REG[1], long_name="Set REG regions"),
                        "FULL": modrask.Array(np.ones((3, 2), np.float32), sets=[REG, COM]),
                        "SPSE": modrask.Array(np.zeros((3, 2, 3)), sets=[REG, COM, REG])})
    sets = harinfo_json("sets", out)["sets"]
    assert [(s["name"], s["elements"], s["defined_by"], s["used_by"], s["sets_of_this_name"])
            for s in sets] == [("REG", REG[1], "REG", ["FULL", "SPSE"], 1),
                               ("COM", COM[1], None, ["FULL", "SPSE"], 1)]
    done = subprocess.run([MARDEX, str(out), str(renamed), "REG", "ZONE"], capture_output=True,
                          stdin=subprocess.DEVNULL, check=False)
    assert done.returncode == 0, done.stdout
    assert b'There were 4 set name changes from "REG" to "ZONE"' in done.stdout
    assert [name for name, _ in modrask.open(renamed)["SPSE"].sets] == ["ZONE", "COM", "ZONE"]
