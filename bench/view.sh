#!/usr/bin/env bash
# Times harinfo view on the 1 GiB benchmark file: how long until the listing
# is answered after start, the first and the warm answers of a 1,000 x 1,000
# page of its largest header, and the server's peak memory against 64 MiB
# plus twice that header's dense size. Not a test: it asserts nothing and
# only reports.
#
# Usage: bench/view.sh [RUNS] [MIB]   (default 9 warm runs, a 1024 MiB file)
# Needs harinfo and make_bench_file built (the bench preset, or BUILD= a build
# with -DMODRASK_BENCH=ON), curl, Debian's python3 and GNU time
# (/usr/bin/time). The file goes to $BENCH_DIR (default /tmp/bench) and is
# removed at the end unless KEEP=1.
set -euo pipefail

RUNS=${1:-9}
MIB=${2:-1024}
source "$(dirname "$0")/common.sh"
HARINFO=$BUILD/src/harinfo/harinfo
PY=/usr/bin/python3
need_tools "" "$HARINFO" "$GEN" "$TIME" "$PY" "$(command -v curl)"
mkdir -p "$DIR"
file=$DIR/bview$MIB.har
server=
cleanup() {
  [[ -n $server ]] && kill -INT "$server" 2>/dev/null || true
  [[ ${KEEP:-0} == 1 ]] || rm -f "$file"
  rm -f "$DIR"/view-*.txt
}
trap cleanup EXIT

[[ -f $file ]] || "$GEN" "$file" "$MIB" >"$DIR/view-gen.txt"
cat "$file" >/dev/null  # warm the page cache

# Start to listing: the server's start, its address, then /api/headers.
t0=$(now)
"$TIME" -f "%M" -o "$DIR/view-rss.txt" "$HARINFO" view --no-browser "$file" >"$DIR/view-out.txt" &
server=$!
until grep -q 'http://' "$DIR/view-out.txt" 2>/dev/null; do sleep 0.005; done
url=$(grep -o 'http://[^ ]*' "$DIR/view-out.txt")
base=${url%%/?token=*}
token=${url##*token=}
curl -sf "$base/api/headers?token=$token" >"$DIR/view-list.txt"
t1=$(now)
server=$(pgrep -P "$server" harinfo || echo "$server")

# The largest header by cells, and a page of its two longest dimensions with
# the others fixed to their first element.
read -r name cells sel < <("$PY" - "$DIR/view-list.txt" <<'PY'
import json, math, sys
heads = [h for h in json.load(open(sys.argv[1]))["headers"] if h.get("dims")]
h = max(heads, key=lambda h: math.prod(h["dims"]))
order = sorted(range(len(h["dims"])), key=lambda k: -h["dims"][k])
roles = ["1"] * len(h["dims"])
roles[order[0]] = "r"
if len(order) > 1:
    roles[order[1]] = "c"
print(h["name"], math.prod(h["dims"]), ",".join(roles))
PY
)
page="$base/api/slice?token=$token&h=$name&sel=$sel&rn=1000&cn=1000"
first=$(curl -sf -o "$DIR/view-page.txt" -w '%{time_total}' "$page")
shape=$("$PY" -c 'import json,sys; s=json.load(open(sys.argv[1])); print(len(s["values"]), "x", len(s["values"][0]))' "$DIR/view-page.txt")
warm=$(for ((i = 0; i < RUNS; i++)); do curl -sf -o /dev/null -w '%{time_total}\n' "$page"; done | median)
bytes=$(stat -c %s "$DIR/view-page.txt")
# The same page with the other dimensions totalled: every cell of the header
# is walked.
total="$base/api/slice?token=$token&h=$name&sel=$(tr -s '0-9' t <<<"$sel")&rn=1000&cn=1000"
curl -sf -o /dev/null "$total"
summed=$(for ((i = 0; i < RUNS; i++)); do curl -sf -o /dev/null -w '%{time_total}\n' "$total"; done | median)
# The largest page the file holds: the header whose two longest dimensions
# give the most cells up to 1,000 x 1,000, the others fixed.
read -r bigname bigsel < <("$PY" - "$DIR/view-list.txt" <<'PY'
import json, sys
heads = [h for h in json.load(open(sys.argv[1]))["headers"] if len(h.get("dims", [])) >= 2]
def cells(h):
    d = sorted(h["dims"], reverse=True)
    return min(1000, d[0]) * min(1000, d[1])
h = max(heads, key=cells)
order = sorted(range(len(h["dims"])), key=lambda k: -h["dims"][k])
roles = ["1"] * len(h["dims"])
roles[order[0]], roles[order[1]] = "r", "c"
print(h["name"], ",".join(roles))
PY
)
big="$base/api/slice?token=$token&h=$bigname&sel=$bigsel&rn=1000&cn=1000"
bigfirst=$(curl -sf -o "$DIR/view-page.txt" -w '%{time_total}' "$big")
bigshape=$("$PY" -c 'import json,sys; s=json.load(open(sys.argv[1])); print(len(s["values"]), "x", len(s["values"][0]))' "$DIR/view-page.txt")
bigbytes=$(stat -c %s "$DIR/view-page.txt")
# The server's own processor time for those warm answers, from /proc, since
# wall time counts whatever else the machine runs.
cpu0=$(awk '{print $14 + $15}' "/proc/$server/stat")
bigwarm=$(for ((i = 0; i < RUNS; i++)); do curl -sf -o /dev/null -w '%{time_total}\n' "$big"; done | median)
cpu1=$(awk '{print $14 + $15}' "/proc/$server/stat")
bigcpu=$(echo "($cpu1 - $cpu0) * 1000 / $(getconf CLK_TCK) / $RUNS" | bc -l)
kill -INT "$server"
wait 2>/dev/null || true
server=
rss=$(cat "$DIR/view-rss.txt")
largest=$((cells * 4))
printf 'file %s: %d MiB, %s\n' "$file" "$(( $(stat -c %s "$file") / 1048576 ))" "$("$PY" -c 'import json,sys; print(len(json.load(open(sys.argv[1]))["headers"]), "headers")' "$DIR/view-list.txt")"
printf 'start to listing answered: %.0f ms\n' "$(echo "($t1 - $t0) * 1000" | bc -l)"
printf 'largest header %s: %d cells, %.1f MiB dense; page %s (%d KiB of JSON)\n' "$name" "$cells" "$(echo "$largest / 1048576" | bc -l)" "$shape" $((bytes / 1024))
printf 'page, first (values read from the file): %.0f ms; warm, median of %d: %.1f ms\n' "$(echo "$first * 1000" | bc -l)" "$RUNS" "$(echo "$warm * 1000" | bc -l)"
printf 'page with the other dimensions totalled, warm, median of %d: %.1f ms\n' "$RUNS" "$(echo "$summed * 1000" | bc -l)"
printf 'largest page: %s %s (%d KiB of JSON), first %.0f ms; warm, median of %d: %.1f ms\n' "$bigname" "$bigshape" $((bigbytes / 1024)) "$(echo "$bigfirst * 1000" | bc -l)" "$RUNS" "$(echo "$bigwarm * 1000" | bc -l)"
printf 'largest page, server processor time per warm answer: %.0f ms\n' "$bigcpu"
printf 'peak RSS %.1f MiB; limit 64 MiB + 2 x %.1f MiB = %.1f MiB\n' "$(echo "$rss / 1024" | bc -l)" "$(echo "$largest / 1048576" | bc -l)" "$(echo "64 + 2 * $largest / 1048576" | bc -l)"
