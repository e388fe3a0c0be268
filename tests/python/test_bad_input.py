"""Bad arguments to write: each a clear ValueError (TypeError for a wrong
type) before anything is written, and a failed write leaves no file; what
check_sets=False lets through."""

import numpy as np
import pytest

import modrask

F32 = np.float32
GOOD = modrask.Array(np.ones(2, F32), sets=[("S", ["a", "b"])])


def arr(*shape, dtype=F32):
    return np.zeros(shape, dtype=dtype)


def labelled(*sets, long_name=""):
    return modrask.Array(arr(*[len(e) for _, e in sets]), sets=list(sets), long_name=long_name)


# Two headers giving one set name different elements, as Mardex and harinfo
# would then see two sets.
CLASHES = [
    ({"A": labelled(("S", ["a", "b"])), "B": labelled(("s", ["a", "c"]))},
     "header B: set s differs from set S of header A (different elements)"),
    ({"A": labelled(("S", ["a", "b"])), "B": labelled(("T", ["t"]), ("S", ["a", "b", "c"]))},
     "header B: set S differs from set S of header A (3 elements, not 2)"),
    ({"S": modrask.Array(["a", "b"], long_name="Set S the set"), "X": labelled(("S", ["b", "a"]))},
     "header X: set S differs from set S of header S (different elements)"),
]

BAD = [(heads, why + "; check_sets=False writes it anyway") for heads, why in CLASHES] + [
    ({"X": modrask.Array(np.array([1.0, 1e39]))},
     "header X: value 1e+39 does not fit in float32 (it would be written as an infinity)"),
    ({"X": modrask.Array(arr(2, dtype=np.complex64))},
     "header X: dtype complex64: float32 (real array) or int32 (2I matrix) wanted"),
    ({"X": modrask.Array(arr(*[1] * 8))}, "header X: 8 dimensions, at most 7 can be written"),
    ({"X": modrask.Array(arr(2, 2, 2, dtype=np.int32))},
     "header X: an int32 array must have 2 dimensions, not 3"),
    ({"X": modrask.Array(arr(2, 3), sets=[("S", ["a", "b"]), ("T", ["a", "b"])])},
     "header X: set T has 2 elements, dimension 2 has size 3"),
    ({"X": modrask.Array(arr(2, 3), sets=[("S", ["a", "b"])])}, "header X: 1 sets for 2 dimensions"),
    ({"X": modrask.Array(arr(2, 2), sets=[("S", ["a", "b"]), ("S", ["a", "c"])])},
     "header X: set S appears twice with different elements"),
    ({"X": modrask.Array(arr(1), sets=[("1S", ["a"])])},
     'header X: set "1S": Set name must start with a letter A-Z'),
    ({"X": modrask.Array(arr(1), sets=[("ABCDEFGHIJKLM", ["a"])])},
     'header X: set "ABCDEFGHIJKLM": Set name must be at most 12 characters long'),
    ({"X": modrask.Array(arr(1), sets=[("S", ["abcdefghijklm"])])},
     'header X: set S: element "abcdefghijklm": Element name must be at most 12 characters long'),
    ({"X": labelled(("S", ["a", "b c"]))},
     'header X: set S: element "b c": Illegal character " " in Element name'),
    ({"X": labelled(("S", ["2020"]))},
     'header X: set S: element "2020": Element name must start with a letter A-Z'),
    ({"X": labelled(("S", ["a", "b", "A"]))},
     'header X: set S repeats element "A" (elements 1 and 3)'),
    ({"X": labelled(("S", [""]))}, 'header X: set S: element "": Element name must not be blank'),
    ({"X": modrask.Array(arr(1), long_name="x" * 71)},
     "header X: long_name must be at most 70 printable ASCII characters"),
    ({"X": modrask.Array(["abc", "de"], string_length=2)},
     "header X: string_length 2 is shorter than its longest string (3)"),
    ({"X": modrask.Array(["caf\u00e9"])}, 'header X: string "caf\u00e9" is not printable ASCII'),
    ({"ABCDE": GOOD}, 'header name "ABCDE": longer than 4 characters'),
    ({"A-B": GOOD}, None),
    ({"a b": GOOD}, 'header name "a b": Header must not contain a blank'),
    ({"AB ": GOOD}, 'header name "AB ": Header must not contain a blank'),
    ({"XXAB": GOOD}, None),
    ({"": GOOD}, None),
    ({"prod": GOOD, "PROD": GOOD}, 'header name "PROD" twice'),
    # The good header comes first: nothing is written before every header is checked.
    ({"GOOD": GOOD, "X": modrask.Array(arr(2, dtype=bool))},
     "header X: dtype bool: float32 (real array) or int32 (2I matrix) wanted"),
]


@pytest.mark.parametrize("heads,message", BAD)
def test_bad_arrays_and_names_are_refused_before_writing(tmp_path, heads, message):
    path = tmp_path / "out.har"
    with pytest.raises(ValueError) as e:
        modrask.write(path, heads)
    if message is not None:
        assert str(e.value) == message
    else:
        assert str(e.value).startswith('header name "')
    assert not path.exists()
    # A file already there is left as it was.
    path.write_bytes(b"before")
    with pytest.raises(ValueError):
        modrask.write(path, heads)
    assert path.read_bytes() == b"before"
    assert list(tmp_path.iterdir()) == [path]


@pytest.mark.parametrize("heads", [{"X": {"a": 1}}, {"X": modrask.Array({"a": 1})},
                                   {"X": np.ones(2, F32)}, {"X": modrask.Array([object()])}])
def test_wrong_types_raise_type_error(tmp_path, heads):
    path = tmp_path / "out.har"
    with pytest.raises(TypeError):
        modrask.write(path, heads)
    assert not path.exists()


def test_failed_write_leaves_no_file(tmp_path):
    with pytest.raises(modrask.HarError):
        modrask.write(tmp_path / "no" / "dir" / "out.har", {"GOOD": GOOD})
    assert list(tmp_path.iterdir()) == []
    with pytest.raises(modrask.HarError):
        modrask.write(tmp_path, {"GOOD": GOOD})
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize("heads,message", BAD[:len(CLASHES)])
def test_check_sets_false_writes_clashing_sets(tmp_path, heads, message):
    path = tmp_path / "out.har"
    modrask.write(path, heads, check_sets=False)
    f = modrask.open(path)
    assert list(f) == list(heads)
    assert [f[n].sets for n in f if f[n].type == "RE"] == [a.sets for a in heads.values()
                                                           if a.sets is not None]
