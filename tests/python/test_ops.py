"""rename_set against Mardex's own run, diff against `harinfo diff --json`,
and their refusals."""

import json
import os
import subprocess
import warnings

import numpy as np
import pytest

import modrask
from conftest import SAMPLE, run_harinfo

MARDEX = os.environ["MARDEX_BIN"]


def test_rename_makes_mardexs_file(tmp_path):
    ours, theirs = tmp_path / "ours.har", tmp_path / "theirs.har"
    assert modrask.rename_set(SAMPLE, ours, "reg", "ZONE") == 7
    done = subprocess.run([MARDEX, SAMPLE, str(theirs), "reg", "ZONE"], capture_output=True,
                          stdin=subprocess.DEVNULL, check=False)
    assert done.returncode == 0, done.stdout
    assert b'There were 7 set name changes from "reg" to "ZONE"' in done.stdout
    # The same file apart from the stamps of the creating program and time.
    d = modrask.diff(theirs, ours)
    assert d["equal"], d["summary"]
    f = modrask.open(ours)
    assert f.history[-1] == "Set reg was globally renamed to ZONE"
    assert [name for name, _ in f["TRAD"].sets] == ["COM", "ZONE", "ZONE"]
    assert f["REG"].long_name == "Set ZONE Regions of the world"


@pytest.mark.parametrize("pair", [("SAMPLE", "renamed"), ("renamed", "SAMPLE"),
                                  ("SAMPLE", "SAMPLE"), ("SAMPLE", "changed")])
def test_diff_is_harinfos_json(tmp_path, pair):
    files = {"SAMPLE": SAMPLE, "renamed": str(tmp_path / "renamed.har"),
             "changed": str(tmp_path / "changed.har")}
    modrask.rename_set(SAMPLE, files["renamed"], "COM", "GOODS")
    f = modrask.open(SAMPLE)
    heads = {n: f[n] for n in f.headers}
    pop = f["POP"].values.copy()
    pop[2] += 0.5
    heads["POP"] = modrask.Array(pop, sets=f["POP"].sets, long_name=f["POP"].long_name)
    del heads["YEAR"]
    modrask.write(files["changed"], heads, history=f.history + ["POP changed"])
    old, new = files[pair[0]], files[pair[1]]
    code, out, err = run_harinfo("diff", "--json", old, new)
    assert code in (0, 1), err
    got = modrask.diff(old, new)
    assert got == json.loads(out)
    assert got["equal"] == (code == 0) == (old == new)


@pytest.mark.parametrize("source,output,old,new,error,pattern", [
    (SAMPLE, "out.har", "REG", "com", modrask.HarError,
     '^Sorry, file already contains a set called "com"$'),
    (SAMPLE, "out.har", "REG", "9ZONE", ValueError, '^"9ZONE" is not a legal set name: '),
    ("missing.har", "out.har", "REG", "ZONE", FileNotFoundError, "no such file"),
    (SAMPLE, "no/such/dir.har", "REG", "ZONE", modrask.HarError, None),
    (SAMPLE, "out.har", 1, "ZONE", TypeError, None),
])
def test_rename_refusals_leave_no_file(tmp_path, source, output, old, new, error, pattern):
    if source != SAMPLE:
        source = tmp_path / source
    with pytest.raises(error, match=pattern):
        modrask.rename_set(source, tmp_path / output, old, new)
    assert list(tmp_path.iterdir()) == []


def test_rename_of_a_set_given_twice_or_not_at_all(tmp_path, sample_bytes):
    out = tmp_path / "out.har"
    # Two sets of one name over different elements, which only
    # check_sets=False writes.
    twice = tmp_path / "twice.har"
    modrask.write(twice, {"A": modrask.Array(np.zeros(2, np.float32), sets=[("S", ["a", "b"])]),
                          "B": modrask.Array(np.zeros(1, np.float32), sets=[("S", ["c"])])},
                  check_sets=False)
    with pytest.raises(modrask.HarError) as e:
        modrask.rename_set(twice, out, "S", "T")
    assert str(e.value) == 'Sorry, file contains 2 DIFFERENT sets called "S"'
    assert not out.exists()
    with pytest.warns(UserWarning, match='file contains no set called "NONE"'):
        assert modrask.rename_set(SAMPLE, out, "NONE", "ZONE") == 0
    assert modrask.diff(SAMPLE, out)["history_equal"] is False
    with open(SAMPLE, "rb") as f:
        assert f.read() == sample_bytes


def test_rename_in_place(tmp_path, sample_bytes):
    path = tmp_path / "in_place.har"
    path.write_bytes(sample_bytes)
    assert modrask.rename_set(path, path, "MARG", "MRG") == 2
    assert [name for name, _ in modrask.open(path)["MRGN"].sets][0] == "MRG"


@pytest.mark.parametrize("options,args", [
    ({}, []),
    ({"abs": 0.5}, ["--abs", "0.5"]),
    ({"abs": 0.49}, ["--abs", "0.49"]),
    ({"rel": 1e-3, "nan_equal": True}, ["--rel", "0.001", "--nan-equal"]),
    ({"cells": 2}, ["--cells", "2"]),
    ({"cells": 2, "by": "rel"}, ["--cells", "2", "--by", "rel"]),
    ({"cells": "all", "abs": 0.1}, ["--cells", "all", "--abs", "0.1"]),
])
def test_diff_options_agree_with_harinfo(tmp_path, options, args):
    # POP: REG reversed (values matched by name), two values changed.
    f = modrask.open(SAMPLE)
    heads = {n: f[n] for n in f.headers}
    (reg, elements), = f["POP"].sets
    pop = f["POP"].values.copy()
    pop[0] += 0.5
    pop[-1] *= 1.0005
    heads["POP"] = modrask.Array(pop[::-1].copy(), sets=[(reg, elements[::-1])],
                                 long_name=f["POP"].long_name)
    new = str(tmp_path / "new.har")
    # POP alone reorders REG, which the set check would refuse.
    modrask.write(new, heads, history=f.history, check_sets=False)
    code, out, err = run_harinfo("diff", "--json", *args, SAMPLE, new)
    assert code in (0, 1), err
    got = modrask.diff(SAMPLE, new, **options)
    assert got == json.loads(out)
    pop_diff = next(h for h in got["headers"] if h["name"] == "POP")
    assert pop_diff["element_changes"][0]["reordered"]
    assert pop_diff["labels_equal"] is False


@pytest.mark.parametrize("options", [{"abs": -1}, {"rel": float("nan")}, {"cells": "some"},
                                     {"cells": -2}, {"by": "size"}])
def test_diff_refuses_bad_options(options):
    with pytest.raises(ValueError):
        modrask.diff(SAMPLE, SAMPLE, **options)
