#!/usr/bin/python3
"""Times "next difference" of harinfo view on two copies of a large file that
differ in the last cell of its largest header: the first answer (the values
of both files read), then warm answers going forward from the first cell
(every cell before the changed one looked at) and back from the end. Not a
test: it asserts nothing and only reports.

Usage: bench/view_nextdiff.py HARINFO FILE [RUNS]
The copy goes beside FILE (FILE.changed) and is removed at the end.
"""
import json
import math
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time
import urllib.request


def serve(harinfo, *files):
    proc = subprocess.Popen([harinfo, "view", "--no-browser", *files],
                            stdout=subprocess.PIPE, text=True)
    url = proc.stdout.readline().split()[-1]
    return proc, url.split("/?")[0], url.split("token=")[1]


def get(base, token, path):
    sep = "&" if "?" in path else "?"
    with urllib.request.urlopen(f"{base}{path}{sep}token={token}") as res:
        return json.loads(res.read())


def timed(base, token, path):
    t0 = time.perf_counter()
    answer = get(base, token, path)
    return (time.perf_counter() - t0) * 1000, answer


def main():
    harinfo, path = sys.argv[1:3]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 9
    proc, base, token = serve(harinfo, path)
    try:
        heads = [h for h in get(base, token, "/api/headers")["headers"] if h.get("dims")]
        big = max(heads, key=lambda h: (h["storage"] == "FULL", math.prod(h["dims"])))
        name, dims = big["name"], big["dims"]
        # The last cells in the file's order: the first dimension down, the
        # others fixed to their last element.
        sel = ",".join(["r"] + [str(n) for n in dims[1:]])
        r0 = max(0, dims[0] - 1000)
        tail = get(base, token, f"/api/slice?h={name}&sel={sel}&r0={r0}&rn=1000&cn=1")["values"]
    finally:
        proc.terminate()
        proc.wait()
    tail = [row[0] for row in tail]
    data = open(path, "rb").read()
    for order in (">", "<"):
        run = struct.pack(f"{order}{len(tail)}f", *tail)
        at = data.find(run)
        if at >= 0:
            break
    del data
    if at < 0:
        print("the last cells of", name, "are not found as one run")
        return 1
    changed = path + ".changed"
    shutil.copyfile(path, changed)
    with open(changed, "r+b") as f:
        f.seek(at + len(run) - 4)
        f.write(struct.pack(f"{order}f", tail[-1] + 1.0))
    cells = math.prod(dims)
    proc, base, token = serve(harinfo, path, changed)
    try:
        first, answer = timed(base, token, f"/api/nextdiff?h={name}")
        forward = [timed(base, token, f"/api/nextdiff?h={name}")[0] for _ in range(runs)]
        back = [timed(base, token, f"/api/nextdiff?h={name}&dir=prev")[0] for _ in range(runs)]
        tolerant = [timed(base, token, f"/api/nextdiff?h={name}&abs=1e-3")[0] for _ in range(runs)]
    finally:
        proc.terminate()
        proc.wait()
        os.remove(changed)
    print(f"file {path}: {os.path.getsize(path) // 1048576} MiB; header {name} {'x'.join(map(str, dims))}"
          f" ({cells} cells, {cells * 4 / 1048576:.0f} MiB dense), its last cell changed")
    print(f"next difference found at {answer.get('at')} (cell {answer.get('cell')})")
    print(f"first answer (both headers' values read): {first:.0f} ms")
    print(f"warm, from the first cell forward, median of {runs}: {statistics.median(forward):.1f} ms")
    print(f"warm, from the end back, median of {runs}: {statistics.median(back):.1f} ms")
    print(f"warm, forward with abs=1e-3, median of {runs}: {statistics.median(tolerant):.1f} ms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
