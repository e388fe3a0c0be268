#!/usr/bin/python3
"""Times reading every real array of two copies of the benchmark file from
Python in two threads at once against reading them one after the other, on
a warm page cache, alternating run by run. Not a test: it only reports.

Usage: bench/python_threads.py [RUNS] [MIB]   (default 5 runs, a 1024 MiB file)

Needs the bench preset built (cmake --workflow --preset bench), as
bench/python_read.py does (BUILD overrides build/bench). The two files go to
$BENCH_DIR (default /tmp/bench) and are removed at the end unless KEEP=1.
It prints the medians and the median of the run-by-run ratios
(two threads / one after the other); with two cores and nothing shared
between the files the ratio is near 0.5.
"""

import os
import shutil
import statistics
import subprocess
import sys
import threading

from python_read import BUILD, cat, read_all, seconds


def one_after_the_other(paths):
    for path in paths:
        read_all(path)


def in_threads(paths):
    threads = [threading.Thread(target=read_all, args=(path,)) for path in paths]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    mib = sys.argv[2] if len(sys.argv) > 2 else "1024"
    folder = os.environ.get("BENCH_DIR", "/tmp/bench")
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, f"threads{mib}_{i}.har") for i in (1, 2)]
    subprocess.run([os.path.join(BUILD, "bench", "make_bench_file"), paths[0], mib], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.copyfile(paths[0], paths[1])
    try:
        for path in paths:
            cat(path)  # warm the page cache
        times = {"one after the other": [], "two threads": []}
        for _ in range(runs):
            times["one after the other"].append(seconds(lambda: one_after_the_other(paths)))
            times["two threads"].append(seconds(lambda: in_threads(paths)))
        size = os.path.getsize(paths[0]) / 2**20
        print(f"2 x {size:.0f} MiB, {runs} runs, warm cache, {os.cpu_count()} processors")
        for key, values in times.items():
            print(f"{key:20} median {statistics.median(values):.3f} s")
        ratios = [t / s for t, s in zip(times["two threads"], times["one after the other"])]
        print(f"two threads / one after the other: median {statistics.median(ratios):.2f}")
    finally:
        if os.environ.get("KEEP") != "1":
            for path in paths:
                os.remove(path)


if __name__ == "__main__":
    main()
