#!/usr/bin/python3
"""Times the Python module on the benchmark file against `cat FILE > /dev/null`,
on a warm page cache, alternating run by run. Not a test: it only reports.

Usage: bench/python_read.py [RUNS] [MIB]   (default 5 runs, a 1024 MiB file)

Needs the bench preset built (cmake --workflow --preset bench), whose build
folder holds make_bench_file and the module (BUILD overrides build/bench).
The file goes to $BENCH_DIR (default /tmp/bench) and is removed at the end
unless KEEP=1. Per run: cat; opening the file (names, descriptors and labels
only); opening it and reading every real array into numpy. It prints the
medians and the medians of the run-by-run ratios to cat.
"""

import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("BUILD", os.path.join(ROOT, "build", "bench"))
sys.path.insert(0, os.path.join(BUILD, "python"))

import modrask  # noqa: E402


def seconds(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def cat(path):
    with open(os.devnull, "wb") as null:
        subprocess.run(["cat", path], stdout=null, check=True)


def open_only(path):
    modrask.open(path).close()


def read_all(path):
    with modrask.open(path) as f:
        cells = 0
        for name in f.headers:
            h = f[name]
            if h.type in ("RE", "RL", "2R"):
                cells += h.values.size
    return cells


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    mib = sys.argv[2] if len(sys.argv) > 2 else "1024"
    folder = os.environ.get("BENCH_DIR", "/tmp/bench")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, f"py{mib}.har")
    subprocess.run([os.path.join(BUILD, "bench", "make_bench_file"), path, mib], check=True,
                   stdout=subprocess.DEVNULL)
    try:
        cat(path)  # warm the page cache
        size = os.path.getsize(path) / 2**20
        cells = read_all(path)
        times = {"cat": [], "open": [], "read": []}
        for _ in range(runs):
            times["cat"].append(seconds(lambda: cat(path)))
            times["open"].append(seconds(lambda: open_only(path)))
            times["read"].append(seconds(lambda: read_all(path)))
        print(f"{size:.0f} MiB, {cells:,} real cells, {runs} runs, warm cache")
        for key in ("cat", "open", "read"):
            ratios = [t / c for t, c in zip(times[key], times["cat"])]
            print(f"{key:5} median {statistics.median(times[key]):.3f} s, "
                  f"/ cat {statistics.median(ratios):.2f}")
    finally:
        if os.environ.get("KEEP") != "1":
            os.remove(path)


if __name__ == "__main__":
    main()
