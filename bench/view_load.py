#!/usr/bin/python3
"""Loads harinfo view as the security review did and reports what held. Not
a test: it asserts nothing, it prints figures.

Usage: bench/view_load.py [CELLS]   (default 1000000: a 1000 x 1000 header)

Needs harinfo and the Python module built (BUILD, default build/release),
and prlimit (util-linux). Three scenarios, each on a fresh server under
`prlimit --nofile=N`:
  unread  16 clients ask for the header's CSV and never read the answer;
          the server's peak memory against 64 MiB plus twice the header's
          dense size, the answers they got, and whether a good request is
          still answered.
  fds64   80 connections that send nothing, with 64 descriptors: processor
          time the server spends meanwhile, then a good request.
  fds20   the same with 20 descriptors, so that accepting runs out of them.
"""

import os
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("BUILD", os.path.join(ROOT, "build", "release"))
HARINFO = os.path.join(BUILD, "src", "harinfo", "harinfo")
sys.path.insert(0, os.path.join(BUILD, "python"))

import numpy  # noqa: E402
import modrask  # noqa: E402


def status(pid, key):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith(key + ":"):
            return int(line.split()[1])  # kB
    return 0


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def serve(path, nofile):
    proc = subprocess.Popen(["prlimit", f"--nofile={nofile}", HARINFO, "view", "--no-browser",
                             path], stdout=subprocess.PIPE, text=True)
    url = proc.stdout.readline().split()[-1]
    base, token = url.split("/?token=")
    return proc, base, token


def good(base, token):
    start = time.perf_counter()
    try:
        with urllib.request.urlopen(f"{base}/api/headers?token={token}", timeout=10) as r:
            return f"{r.status} in {time.perf_counter() - start:.3f} s"
    except Exception as e:  # noqa: BLE001 - reported, not raised
        return f"failed: {e}"


def request(base, token, target):
    host, port = base.rsplit("/", 1)[1].split(":")
    s = socket.create_connection((host, int(port)))
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.sendall(f"GET {target}&token={token} HTTP/1.1\r\nHost: {host}:{port}\r\n\r\n".encode())
    return s


def main():
    cells = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    side = int(cells ** 0.5)
    work = tempfile.mkdtemp(prefix="viewload")
    path = os.path.join(work, "big.har")
    values = numpy.arange(side * side, dtype=numpy.float32).reshape(side, side) / 7
    sets = [("ROW", [f"R{i:06d}" for i in range(side)]), ("COL", [f"C{i:06d}" for i in range(side)])]
    modrask.write(path, {"BIG": modrask.Array(values, sets=sets, long_name="Load")})
    dense = side * side * 4 / 2**20
    bound = 64 + 2 * dense
    print(f"header BIG {side} x {side}: {dense:.1f} MiB dense; bound {bound:.1f} MiB")

    proc, base, token = serve(path, 64)
    base_rss = status(proc.pid, "VmRSS") / 1024
    clients = [request(base, token, "/api/csv?h=BIG") for _ in range(16)]
    time.sleep(3)
    peak = status(proc.pid, "VmHWM") / 1024
    answer = good(base, token)
    codes = {}
    for s in clients:
        s.settimeout(5)
        try:
            code = s.recv(64).split(b" ")[1].decode()
        except Exception:  # noqa: BLE001
            code = "none"
        codes[code] = codes.get(code, 0) + 1
        s.close()
    print(f"unread: start {base_rss:.1f} MiB, peak {peak:.1f} MiB with 16 unread CSV answers "
          f"(answers {codes}); good request {answer}")
    proc.terminate()
    proc.wait()

    for nofile in (64, 20):
        proc, base, token = serve(path, nofile)
        before = cpu_seconds(proc.pid)
        held = []
        for _ in range(80):
            try:
                held.append(socket.create_connection(tuple(base.rsplit("/", 1)[1].split(":"))))
            except OSError:
                break
        time.sleep(2)
        spent = cpu_seconds(proc.pid) - before
        during = good(base, token)
        for s in held:
            s.close()
        time.sleep(0.6)
        after = good(base, token)
        print(f"fds{nofile}: {len(held)} idle connections, server processor time over 2 s "
              f"{spent:.2f} s; good request while held {during}, after {after}")
        proc.terminate()
        proc.wait()
    os.remove(path)
    os.rmdir(work)


if __name__ == "__main__":
    main()
