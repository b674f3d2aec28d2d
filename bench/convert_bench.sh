#!/usr/bin/env bash
# Times whole text2grid runs on generated inputs and reports values per
# second, MB of input per second and peak memory (maximum resident set size):
#
#   (a) 1000 x 1000 values x 10 grids   (10 million values, about 94 MB of text)
#   (b)  100 x  100 values x 2000 grids (20 million values, 20 times x 4
#        variables x 25 levels)
#
#   bench/convert_bench.sh [RUNS]    RUNS per case (default 3); the best is reported
#   BENCH_BUILD_DIR  build folder (default build-bench, RelWithDebInfo)
#   BENCH_WORK_DIR   folder for the generated files (default: a new temporary one)
#
# Both the wall-clock rate and the CPU rate (user + system time) are given:
# on a busy machine the wall clock also counts time spent waiting for a core.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
build=${BENCH_BUILD_DIR:-build-bench}
work=${BENCH_WORK_DIR:-$(mktemp -d)}
mkdir -p "$work"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target text2grid >/dev/null
exe=$(realpath "$build/src/driver/text2grid")
export MORERR=${MORERR:-$PWD/tables/errors}

# values COUNT > file: COUNT values, one per line, four decimals, -1000 to 1000.
values() {
  awk -v n="$1" 'BEGIN { for (k = 0; k < n; k++) printf "%.4f\n", ((k * 7919) % 200000) / 100.0 - 1000.0 }'
}

# answers NX NY INPUT OUTPUT NTIMES NVAR NLEVELS > file
answers() {
  local nx=$1 ny=$2 in=$3 out=$4 ntimes=$5 nvar=$6 nlev=$7
  printf '%s\n' "$nx" "$ny" "$in" "$out" 0 "$ntimes" "$nvar" "30 -100 40 -80" CED "0 0 0"
  for ((t = 0; t < ntimes; t++)); do
    printf '23%02d%02d/%02d00\n' $((1 + t / 28 % 12)) $((1 + t % 28)) $((t % 24))
  done
  for ((v = 1; v <= nvar; v++)); do printf 'VAR%d\n' "$v"; done
  for ((v = 1; v <= nvar; v++)); do
    printf '%s\n' "$nlev" 1 0
    for ((l = 1; l <= nlev; l++)); do printf '%d ' $((1000 - 10 * l)); done
    printf '\n'
  done
}

# run_case NAME NX NY NTIMES NVAR NLEVELS
run_case() {
  local name=$1 nx=$2 ny=$3 ntimes=$4 nvar=$5 nlev=$6
  local nvalues=$((nx * ny * ntimes * nvar * nlev))
  local grids=$((ntimes * nvar * nlev))
  values "$nvalues" >"$work/$name.txt"
  answers "$nx" "$ny" "$work/$name.txt" "^$work/$name.grd" "$ntimes" "$nvar" "$nlev" \
    >"$work/$name.ans"
  local bytes
  bytes=$(stat -c %s "$work/$name.txt")
  local best_wall="" best_cpu="" peak=0
  for ((r = 0; r < runs; r++)); do
    rm -f "$work/$name.grd"
    /usr/bin/time -f '%e %U %S %M' -o "$work/$name.time" "$exe" <"$work/$name.ans" \
      >"$work/$name.out"
    read -r wall user sys rss <"$work/$name.time"
    local cpu
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    if [[ -z $best_wall ]] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall=$wall
    fi
    if [[ -z $best_cpu ]] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
      best_cpu=$cpu
    fi
    ((rss > peak)) && peak=$rss
  done
  local written
  written=$(grep -c 'GD_WDAT1: iret =            0' "$work/$name.out" || true)
  awk -v name="$name" -v nx="$nx" -v ny="$ny" -v g="$grids" -v n="$nvalues" -v b="$bytes" \
    -v w="$best_wall" -v c="$best_cpu" -v rss="$peak" -v ok="$written" 'BEGIN {
      printf "(%s) %d x %d values x %d grids: %d values, %.1f MB, %d grids written\n",
             name, nx, ny, g, n, b / 1e6, ok
      printf "    wall %.2f s: %.1f M values/s, %.1f MB/s\n", w, n / w / 1e6, b / w / 1e6
      printf "    cpu  %.2f s: %.1f M values/s, %.1f MB/s\n", c, n / c / 1e6, b / c / 1e6
      printf "    peak memory %.1f MiB (one grid of reals: %.1f MiB)\n", rss / 1024, nx * ny * 4 / 1048576
    }'
  rm -f "$work/$name.txt" "$work/$name.grd"
}

run_case a 1000 1000 10 1 1
run_case b 100 100 20 4 25
