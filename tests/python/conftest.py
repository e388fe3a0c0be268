"""Fixtures of the Python module's tests: the sample file, the harinfo program
built beside the module, and files made from the sample by byte edits."""

import json
import os
import subprocess

import pytest

SAMPLE = os.environ["MODRASK_SAMPLE"]
HARINFO = os.environ["HARINFO_BIN"]


def run_harinfo(*args):
    """harinfo's exit code, standard output and standard error."""
    done = subprocess.run([HARINFO, *map(str, args)], capture_output=True, check=False)
    # Decoded without newline translation: messages may hold "\r\n".
    return done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")


def harinfo_json(*args):
    code, out, err = run_harinfo("--json", *args)
    assert code in (0, 1), err
    return json.loads(out)


def harinfo_error(path):
    """The message harinfo prints for a file it cannot list, "FILE: " and what
    is wrong, without its "harinfo: " prefix."""
    code, _, err = run_harinfo(path)
    assert code == 2
    assert err.startswith(f"harinfo: {path}: ")
    return err[len("harinfo: "):].rstrip("\n")


@pytest.fixture
def sample_bytes():
    with open(SAMPLE, "rb") as f:
        return f.read()


@pytest.fixture
def edited(tmp_path, sample_bytes):
    """Writes the sample with an edit (a function of its bytes) and returns the path."""
    count = [0]

    def make(edit):
        count[0] += 1
        path = tmp_path / f"edited{count[0]}.har"
        path.write_bytes(edit(bytearray(sample_bytes)))
        return str(path)

    return make
