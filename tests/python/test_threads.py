"""Files read, written and renamed from several threads at once, with no lock
of the module's between them: each gives what it gives alone, and one
header's values asked for by many threads are read once."""

import threading

import numpy as np

import modrask
from conftest import SAMPLE


def work(tmp_path, i):
    """Reads the sample, writes it back and renames a set in it; what came of it."""
    f = modrask.open(SAMPLE)
    values = {name: f[name].values for name in f.headers}
    heads = {name: modrask.Array.from_header(f[name]) for name in f.headers
             if not name.startswith("XX")}
    written = tmp_path / f"written{i}.har"
    modrask.write(written, heads, history=f.history, date="12:00:00")
    renamed = tmp_path / f"renamed{i}.har"
    changes = modrask.rename_set(SAMPLE, renamed, "REG", f"ZONE{i}")
    back = modrask.open(renamed)
    return values, written.read_bytes(), changes, back.headers


def in_threads(n, fn):
    results = [None] * n
    errors = []

    def run(i):
        try:
            results[i] = fn(i)
        except Exception as e:  # noqa: BLE001 - reported by the test below
            errors.append(e)

    threads = [threading.Thread(target=run, args=(i,)) for i in range(n)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    return results


def assert_same(a, b):
    values_a, bytes_a, changes_a, headers_a = a
    values_b, bytes_b, changes_b, headers_b = b
    assert values_a.keys() == values_b.keys()
    for name, v in values_a.items():
        if isinstance(v, np.ndarray):
            assert np.array_equal(v, values_b[name])
        else:
            assert v == values_b[name]
    assert bytes_a == bytes_b and changes_a == changes_b and headers_a == headers_b


def test_threads_give_what_one_after_the_other_gives(tmp_path):
    (tmp_path / "alone").mkdir()
    (tmp_path / "together").mkdir()
    alone = [work(tmp_path / "alone", i) for i in range(4)]
    together = in_threads(4, lambda i: work(tmp_path / "together", i))
    for a, b in zip(alone, together):
        assert_same(a, b)


def test_one_header_asked_for_by_many_threads(tmp_path):
    path = tmp_path / "big.har"
    a = np.arange(3_000_000, dtype=np.float32)
    modrask.write(path, {"A": modrask.Array(a), "B": modrask.Array(a[::-1].copy())})
    f = modrask.open(path)
    got = in_threads(8, lambda i: f["A" if i % 2 else "B"].values)
    for i, v in enumerate(got):
        assert np.array_equal(v, a if i % 2 else a[::-1])
    # Each header object reads its values once, whichever thread asked first.
    h = f["A"]
    same = in_threads(6, lambda i: h.values)
    assert all(v is same[0] for v in same)
