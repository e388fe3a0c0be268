#!/usr/bin/env bash
# Times Mardex renaming one set against copies of the same file, on a warm
# page cache, alternating the programs run by run. Not a test: it asserts
# nothing and only reports.
#
# Usage: bench/run.sh [RUNS]          (default 5 runs per file)
# Needs the bench preset built (cmake --workflow --preset bench) and GNU time
# (/usr/bin/time, Debian package `time`). Files go to $BENCH_DIR (default
# /tmp/bench), about 4 GB while it runs; they are removed at the end unless
# KEEP=1.
#
# Baselines: `cp` (GNU cp, which may copy inside the kernel with
# copy_file_range), `cat A > B` (a plain read/write copy) and `cp` followed
# by `sync B` (a copy made durable, as Mardex makes its output before it
# takes its name).
set -euo pipefail

RUNS=${1:-5}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/bench}
MARDEX=$BUILD/src/mardex/mardex
GEN=$BUILD/bench/make_bench_file
DIR=${BENCH_DIR:-/tmp/bench}
TIME=/usr/bin/time

for tool in "$MARDEX" "$GEN" "$TIME"; do
  [[ -x $tool ]] || { echo "missing $tool (build the bench preset; apt-get install time)"; exit 1; }
done
mkdir -p "$DIR"
cleanup() { [[ ${KEEP:-0} == 1 ]] || rm -f "$DIR"/b*.har "$DIR"/out.har "$DIR"/copy.har "$DIR"/time.txt; }
trap cleanup EXIT

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }

# run_one NAME CMD...: wall seconds of one run (outputs removed first).
run_one() {
  shift
  rm -f "$DIR/out.har" "$DIR/copy.har"
  local t0 t1
  t0=$(now)
  "$TIME" -f "%M" -o "$DIR/time.txt" "$@" >/dev/null
  t1=$(now)
  echo "$t1 - $t0" | bc -l
}

# bench FILE: alternates mardex and the baselines RUNS times.
bench() {
  local file=$1 mem=$2
  local size_b; size_b=$(stat -c %s "$file")
  cat "$file" >/dev/null  # warm the page cache
  local m=() c=() k=() s=() r=() rss=0
  for ((i = 0; i < RUNS; i++)); do
    local tm tc tk ts
    tm=$(run_one mardex "$MARDEX" "$file" "$DIR/out.har" ST001 ZONE01)
    local kb; kb=$(cat "$DIR/time.txt"); ((kb > rss)) && rss=$kb
    tc=$(run_one cp cp "$file" "$DIR/copy.har")
    tk=$(run_one cat sh -c "cat '$file' > '$DIR/copy.har'")
    ts=$(run_one cpsync sh -c "cp '$file' '$DIR/copy.har' && sync '$DIR/copy.har'")
    m+=("$tm"); c+=("$tc"); k+=("$tk"); s+=("$ts")
    r+=("$(echo "$tm / $tc" | bc -l)")
  done
  local mm cm km sm rm_ rk rs
  mm=$(printf '%s\n' "${m[@]}" | median)
  cm=$(printf '%s\n' "${c[@]}" | median)
  km=$(printf '%s\n' "${k[@]}" | median)
  sm=$(printf '%s\n' "${s[@]}" | median)
  rm_=$(printf '%s\n' "${r[@]}" | median)
  rk=$(for ((i = 0; i < RUNS; i++)); do echo "${m[i]} / ${k[i]}" | bc -l; done | median)
  rs=$(for ((i = 0; i < RUNS; i++)); do echo "${m[i]} / ${s[i]}" | bc -l; done | median)
  local mib; mib=$(echo "$size_b / 1048576" | bc -l)
  printf '%s: %.1f MiB, %d runs\n' "$(basename "$file")" "$mib" "$RUNS"
  printf '  median wall: mardex %.3f s, cp %.3f s, cat %.3f s, cp+sync %.3f s\n' "$mm" "$cm" "$km" "$sm"
  printf '  median ratio mardex/cp %.2f, mardex/cat %.2f, mardex/(cp+sync) %.2f\n' "$rm_" "$rk" "$rs"
  printf '  mardex time per MiB %.2f ms\n' "$(echo "1000 * $mm / $mib" | bc -l)"
  if [[ -n $mem ]]; then
    local rss_mib mem_mib limit
    rss_mib=$(echo "$rss / 1024" | bc -l)
    mem_mib=$(echo "$mem / 1048576" | bc -l)
    limit=$(echo "1.2 * $mem_mib + 64" | bc -l)
    printf '  peak RSS %.0f MiB = %.2f x input, %.2f x data in memory (%.0f MiB); limit 1.2 x data + 64 = %.0f MiB\n' \
      "$rss_mib" "$(echo "$rss_mib / $mib" | bc -l)" "$(echo "$rss_mib / $mem_mib" | bc -l)" "$mem_mib" "$limit"
  fi
}

# make FILE ARGS...: generates a file, echoing the data held in memory.
make_file() {
  local file=$1; shift
  "$GEN" "$file" "$@" | tee /dev/stderr | awk '/^in_memory_bytes/ {print $2}'
}

echo "nproc $(nproc); $(uptime)"
for mib in 128 512 1024; do
  mem=$(make_file "$DIR/b$mib.har" "$mib" 2>/dev/null)
  bench "$DIR/b$mib.har" "$mem"
  rm -f "$DIR/b$mib.har"
done
mem=$(make_file "$DIR/b1024l.har" 1024 --lahey 2>/dev/null)
bench "$DIR/b1024l.har" "$mem"
rm -f "$DIR/b1024l.har"
make_file "$DIR/bmany.har" --many >/dev/null 2>&1
bench "$DIR/bmany.har" ""
echo "after: $(uptime)"
