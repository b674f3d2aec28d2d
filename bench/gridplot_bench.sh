#!/usr/bin/env bash
# Times gridplot drawing one grid of a generated grid file, as PNG and as SVG,
# and reports the best wall-clock time, the CPU time (user + system), peak
# memory (maximum resident set size) and the picture's size in bytes:
#
#   (a) the bundled example's 8 x 6 grid (cells of 80 x 72 pixels)
#   (b) a 1000 x 1000 grid (one pixel per point), with latitude/longitude lines,
#       without and with coastlines and borders (when gmt-gshhg-low is
#       installed), and with coastlines, borders and contours
#
#   bench/gridplot_bench.sh [RUNS]   RUNS per case (default 5); the best is reported
#   BENCH_BUILD_DIR  build folder (default build-bench, RelWithDebInfo)
#   BENCH_WORK_DIR   folder for the generated files (default: a new temporary one)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=${BENCH_BUILD_DIR:-build-bench}
work=${BENCH_WORK_DIR:-$(mktemp -d)}
mkdir -p "$work"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target text2grid gridplot >/dev/null
text2grid=$(realpath "$build/src/driver/text2grid")
gridplot=$(realpath "$build/src/plot/gridplot")
export MORERR=${MORERR:-$PWD/tables/errors}

# The example's file, and a 1000 x 1000 field of smooth waves.
sed "s|^examples/example.grd\$|^$work/example.grd|; s|^examples/input.txt\$|$PWD/examples/input.txt|" \
  examples/answers.txt >"$work/example.ans"
"$text2grid" <"$work/example.ans" >/dev/null
awk 'BEGIN { for (j = 0; j < 1000; j++) for (i = 0; i < 1000; i++)
       printf "%.3f\n", 280 + 10 * sin(i / 80.0) * cos(j / 60.0) }' >"$work/big.txt"
printf '%s\n' 1000 1000 "$work/big.txt" "^$work/big.grd" 0 1 1 "20 -120 50 -60" CED "0 0 0" \
  230101/0000 TMPK 1 1 0 850 >"$work/big.ans"
"$text2grid" <"$work/big.ans" >/dev/null

# run_case NAME FILE GRID FORMAT [GRIDPLOT OPTIONS...]
run_case() {
  local name=$1 file=$2 grid=$3 format=$4
  shift 4
  local out="$work/$name.$format" flags=("$@")
  [[ $format == svg ]] && flags+=(--svg)
  local best_wall="" best_cpu="" peak=0
  for ((r = 0; r < runs; r++)); do
    /usr/bin/time -f '%e %U %S %M' -o "$work/$name.time" \
      "$gridplot" "$file" "$grid" "${flags[@]}" -o "$out"
    read -r wall user sys rss <"$work/$name.time"
    local cpu
    cpu=$(echo "$user + $sys" | bc)
    if [[ -z $best_wall ]] || (($(echo "$wall < $best_wall" | bc))); then best_wall=$wall; fi
    if [[ -z $best_cpu ]] || (($(echo "$cpu < $best_cpu" | bc))); then best_cpu=$cpu; fi
    ((rss > peak)) && peak=$rss
  done
  printf '%-22s %-4s wall %6.2f s  cpu %6.2f s  peak %6.1f MiB  picture %8d bytes\n' \
    "$name" "$format" "$best_wall" "$best_cpu" "$(echo "$peak / 1024" | bc -l)" \
    "$(stat -c %s "$out")"
}

run_case example "$work/example.grd" 1 png
run_case example "$work/example.grd" 1 svg
run_case 1000x1000 "$work/big.grd" 1 png --no-coastlines --no-borders
run_case 1000x1000 "$work/big.grd" 1 svg --no-coastlines --no-borders
run_case 1000x1000+coast "$work/big.grd" 1 png
run_case 1000x1000+coast+contour "$work/big.grd" 1 png --contour
run_case 1000x1000+coast+contour "$work/big.grd" 1 svg --contour
