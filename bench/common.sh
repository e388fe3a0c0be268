# Sourced by the benchmark scripts, not run: where the bench build and the
# files are, the check that the tools exist, and the timing helpers.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/bench}
GEN=$BUILD/bench/make_bench_file
DIR=${BENCH_DIR:-/tmp/bench}
TIME=/usr/bin/time

# need_tools HINT TOOL...: stops the script, naming the first TOOL that is not
# an executable (and HINT when given).
need_tools() {
  local hint=$1 tool
  shift
  for tool in "$@"; do
    [[ -x $tool ]] || { echo "missing $tool${hint:+ ($hint)}"; exit 1; }
  done
}

# now: wall time in seconds with nanoseconds.
now() { date +%s.%N; }

# median: the median of the numbers on standard input, one a line.
median() { sort -g | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
