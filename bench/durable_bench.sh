#!/usr/bin/env bash
# Cost of durable mode per grid: the same conversion (GRIDS grids of 100 x 100
# values) run with T2G_DURABLE=0 and T2G_DURABLE=1, alternately, RUNS times
# each; reports the median wall time of each and the difference per grid.
# The grid file goes to BENCH_WORK_DIR (default: a new folder under the
# current one, so that it lies on the file system being measured, not /tmp).
#
#   bench/durable_bench.sh [RUNS] [GRIDS]     defaults 5 and 200
#   BENCH_BUILD_DIR  build folder (default build-bench, RelWithDebInfo)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
grids=${2:-200}
build=${BENCH_BUILD_DIR:-build-bench}
work=${BENCH_WORK_DIR:-$(mktemp -d -p "$PWD" durable-bench.XXXXXX)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target text2grid >/dev/null
exe=$(realpath "$build/src/driver/text2grid")
export MORERR=${MORERR:-$PWD/tables/errors}

awk -v n=$((grids * 10000)) 'BEGIN { for (k = 0; k < n; k++) printf "%.2f\n", (k % 2000) / 10.0 }' \
  >"$work/in.txt"
{
  printf '%s\n' 100 100 "$work/in.txt" "^$work/g.grd" 0 1 1 "30 -100 40 -80" CED "0 0 0" \
    910823/1200 T "$grids" 1 0
  for ((l = 1; l <= grids; l++)); do printf '%d ' "$l"; done
  printf '\n'
} >"$work/answers.txt"

# one_run DURABLE: wall seconds of one conversion.
one_run() {
  rm -f "$work/g.grd"
  local t0 t1
  t0=$(date +%s%N)
  T2G_DURABLE=$1 "$exe" <"$work/answers.txt" >/dev/null
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}

plain=() durable=()
for ((r = 0; r < runs; r++)); do
  plain+=("$(one_run 0)")
  durable+=("$(one_run 1)")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
mp=$(median "${plain[@]}")
md=$(median "${durable[@]}")
awk -v p="$mp" -v d="$md" -v g="$grids" 'BEGIN {
  printf "durable off: %.3f s   durable on: %.3f s   (%d grids of 100 x 100, median of runs)\n", p / 1e6, d / 1e6, g
  printf "cost of durable mode: %.2f ms per grid\n", (d - p) / 1e3 / g
}'
