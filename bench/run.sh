#!/usr/bin/env bash
# Times Mardex renaming one set against copies of the same file, on a warm
# page cache, alternating the programs run by run. Not a test: it asserts
# nothing and only reports.
#
# Usage: bench/run.sh [RUNS] [CASES...]   (default 5 runs per file; cases
#        128 512 1024 1024l many, all by default)
# Needs the bench preset built (cmake --workflow --preset bench) and GNU time
# (/usr/bin/time, Debian package `time`). Files go to $BENCH_DIR (default
# /tmp/bench), about 4 GB while it runs; they are removed at the end unless
# KEEP=1.
#
# Per run: Mardex to a new output name; `cp` (GNU cp, which copies inside the
# kernel with copy_file_range), `cat A > B` (a plain read/write copy); and
# Mardex replacing its own input (a copy of the file made beforehand, not
# timed) against `cp` followed by `sync B`, since a replacing Mardex makes
# its output durable before it takes the name.
set -euo pipefail

RUNS=${1:-5}
shift || true
CASES=("$@")
[[ ${#CASES[@]} -gt 0 ]] || CASES=(128 512 1024 1024l many)
source "$(dirname "$0")/common.sh"
MARDEX=$BUILD/src/mardex/mardex

need_tools "build the bench preset; apt-get install time" "$MARDEX" "$GEN" "$TIME"
mkdir -p "$DIR"
cleanup() {
  [[ ${KEEP:-0} == 1 ]] || rm -f "$DIR"/b*.har "$DIR"/out.har "$DIR"/copy.har "$DIR"/rep.har
  rm -f "$DIR"/time.txt "$DIR"/gen.txt
}
trap cleanup EXIT

# run_one CMD...: wall seconds of one run; peak RSS (KiB) in time.txt. The
# dirty pages of earlier runs go to the disk first, so that no run pays for
# the flushing of another.
run_one() {
  local t0 t1
  sync
  t0=$(now)
  "$TIME" -f "%M" -o "$DIR/time.txt" "$@" >/dev/null
  t1=$(now)
  echo "$t1 - $t0" | bc -l
}

# bench FILE LARGEST: alternates the programs RUNS times. LARGEST is the
# dense size in bytes of the file's largest header, for the memory limit.
bench() {
  local file=$1 largest=$2
  local size_b; size_b=$(stat -c %s "$file")
  cat "$file" >/dev/null  # warm the page cache
  local m=() c=() k=() p=() s=() rss=0 rssp=0
  for ((i = 0; i < RUNS; i++)); do
    rm -f "$DIR/out.har" "$DIR/copy.har"
    m+=("$(run_one "$MARDEX" "$file" "$DIR/out.har" ST001 ZONE01)")
    local kb; kb=$(cat "$DIR/time.txt"); ((kb > rss)) && rss=$kb
    c+=("$(run_one cp "$file" "$DIR/copy.har")"); rm -f "$DIR/copy.har"
    k+=("$(run_one sh -c "cat '$file' > '$DIR/copy.har'")"); rm -f "$DIR/copy.har"
    cp "$file" "$DIR/rep.har"
    p+=("$(run_one "$MARDEX" "$DIR/rep.har" "$DIR/rep.har" ST001 ZONE01)")
    kb=$(cat "$DIR/time.txt"); ((kb > rssp)) && rssp=$kb
    rm -f "$DIR/rep.har"
    s+=("$(run_one sh -c "cp '$file' '$DIR/copy.har' && sync '$DIR/copy.har'")")
  done
  rm -f "$DIR/out.har" "$DIR/copy.har"
  local mm cm km pm sm
  mm=$(printf '%s\n' "${m[@]}" | median)
  cm=$(printf '%s\n' "${c[@]}" | median)
  km=$(printf '%s\n' "${k[@]}" | median)
  pm=$(printf '%s\n' "${p[@]}" | median)
  sm=$(printf '%s\n' "${s[@]}" | median)
  local rc rk rs
  rc=$(for ((i = 0; i < RUNS; i++)); do echo "${m[i]} / ${c[i]}" | bc -l; done | median)
  rk=$(for ((i = 0; i < RUNS; i++)); do echo "${m[i]} / ${k[i]}" | bc -l; done | median)
  rs=$(for ((i = 0; i < RUNS; i++)); do echo "${p[i]} / ${s[i]}" | bc -l; done | median)
  local mib; mib=$(echo "$size_b / 1048576" | bc -l)
  printf '%s: %.1f MiB, %d runs\n' "$(basename "$file")" "$mib" "$RUNS"
  printf '  new output: mardex %.3f s, cp %.3f s, cat %.3f s; median ratio to cp %.2f, to cat %.2f\n' \
    "$mm" "$cm" "$km" "$rc" "$rk"
  printf '  replacing the input: mardex %.3f s, cp+sync %.3f s; median ratio %.2f\n' "$pm" "$sm" "$rs"
  printf '  mardex time per MiB %.2f ms\n' "$(echo "1000 * $mm / $mib" | bc -l)"
  if [[ -n $largest ]]; then
    local limit; limit=$(echo "64 + 2 * $largest / 1048576" | bc -l)
    printf '  peak RSS %.0f MiB (replacing %.0f MiB); largest header %.1f MiB, limit 64 + 2 x that = %.0f MiB\n' \
      "$(echo "$rss / 1024" | bc -l)" "$(echo "$rssp / 1024" | bc -l)" \
      "$(echo "$largest / 1048576" | bc -l)" "$limit"
  fi
}

# make_file FILE ARGS...: generates a file; its report goes to gen.txt.
make_file() {
  local file=$1; shift
  "$GEN" "$file" "$@" >"$DIR/gen.txt"
  awk '/^largest_header_bytes/ {print $2}' "$DIR/gen.txt"
}

echo "nproc $(nproc); $(uptime)"
for c in "${CASES[@]}"; do
  case $c in
    many) largest=$(make_file "$DIR/bmany.har" --many); bench "$DIR/bmany.har" "$largest" ;;
    *l) largest=$(make_file "$DIR/b$c.har" "${c%l}" --lahey); bench "$DIR/b$c.har" "$largest" ;;
    *) largest=$(make_file "$DIR/b$c.har" "$c"); bench "$DIR/b$c.har" "$largest" ;;
  esac
  rm -f "$DIR/b$c.har"
done
echo "after: $(uptime)"
