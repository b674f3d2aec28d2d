#!/usr/bin/env bash
# Times whole text2grid runs against a reference program in the same run and
# reports wall time, user and system time, values per second, MB of input per
# second, peak memory (maximum resident set size) and the ratio of the wall
# times. Three inputs of 1000 x 1000 values x 10 grids (10 million values):
#
#   two   two decimals       -123.45
#   six   six decimals       286.928447
#   exp   exponent forms     2.869284e+02
#
# text2grid runs both ways: the dialogue (one value per line, as it must be)
# and the command line with --layout free, on the same values one per line
# (cli) and a row of 1000 values per line (cli-rows, as numpy.savetxt writes).
#
# The reference (bench/reference_convert.cpp) is a plain single-threaded
# program that reads the text in 1 MiB pieces, parses with std::from_chars and
# writes the values with large writes: what any conversion must at least do.
# The runs are paired and interleaved (text2grid then the reference, the
# reference then text2grid, ...), so that the load of other processes falls on
# both alike; the ratio is the median of the per-pair ratios.
#
#   bench/convert_bench.sh [RUNS]   RUNS pairs per input (default 5)
#   BENCH_BUILD_DIR  build folder (default build-bench, Release)
#   BENCH_WORK_DIR   folder for the generated files (default: a new temporary
#                    one); inputs already there are reused
#   BENCH_CASES      inputs to run (default "two six exp")
#   BENCH_BASELINE   another text2grid (e.g. an older build) timed in the same
#                    interleaving; its grid file and standard output must be
#                    identical to this one's
#   BENCH_CALLGRIND  1: also count instructions (callgrind) of one grid of each
#                    input, a figure that does not depend on the machine's load
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=${BENCH_BUILD_DIR:-build-bench}
work=${BENCH_WORK_DIR:-$(mktemp -d)}
cases=${BENCH_CASES:-two six exp}
baseline=${BENCH_BASELINE:-}
mkdir -p "$work"
work=$(realpath "$work")

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DT2G_BENCH=ON -DT2G_TESTS=OFF \
  >/dev/null
cmake --build "$build" -j2 --target text2grid reference_convert >/dev/null
exe=$(realpath "$build/src/driver/text2grid")
ref=$(realpath "$build/bench/reference_convert")
export MORERR=${MORERR:-$PWD/tables/errors}

nx=1000
ny=1000
ngrids=10

# values KIND COUNT > file: COUNT values, one per line.
values() {
  awk -v kind="$1" -v n="$2" 'BEGIN {
    for (k = 0; k < n; k++) {
      h = (k * 7919) % 1000003
      if (kind == "two") printf "%.2f\n", h / 500.0 - 1000.0
      else if (kind == "six") printf "%.6f\n", 200.0 + h * 0.000119
      else printf "%.6e\n", (h / 1000003.0 + 0.05) * 10 ^ (k % 15 - 7) * (k % 2 ? -1 : 1)
    }
  }'
}

# answers INPUT OUTPUT NTIMES > file: NTIMES grids of one variable on one level.
answers() {
  printf '%s\n' "$nx" "$ny" "$1" "$2" 0 "$3" 1 "30 -100 40 -80" CED "0 0 0"
  for ((t = 0; t < $3; t++)); do printf '2301%02d/%02d00\n' $((1 + t % 28)) $((t % 24)); done
  printf '%s\n' VAR1 1 1 0 500
}

now() { echo "${EPOCHREALTIME/./}"; }  # microseconds

# rows_of FILE > file: the values of FILE, NX to a line.
rows_of() {
  awk -v nx="$nx" '{ printf "%s%s", $0, (NR % nx == 0) ? "\n" : " " }' "$1"
}

# cli_args INPUT OUTPUT NTIMES: the command-line way's words for the same run.
cli_args() {
  local args=(-q -i "$1" -o "$2" --size "${nx}x${ny}" --area 30,-100,40,-80 --proj CED)
  for ((t = 0; t < $3; t++)); do args+=(--time "$(printf '2301%02d/%02d00' $((1 + t % 28)) $((t % 24)))"); done
  args+=(--var VAR1:PRES=500)
  printf '%s\n' "${args[@]}"
}

# timed NAME COMMAND... < input: one run; appends "wall user sys rss" to $work/NAME.times
timed() {
  local name=$1
  shift
  local t0 t1
  t0=$(now)
  /usr/bin/time -f '%U %S %M' -o "$work/time.tmp" "$@"
  t1=$(now)
  read -r user sys rss <"$work/time.tmp"
  echo "$(((t1 - t0)))e-6 $user $sys $rss" >>"$work/$name.times"
}

run_t2g() {  # run_t2g NAME EXE CASE
  rm -f "$work/out.grd"
  timed "$1" "$2" <"$work/$3.ans" >"$work/$1.out"
}

run_cli() {  # run_cli NAME INPUT: the command-line way
  rm -f "$work/out.grd"
  local args
  mapfile -t args < <(cli_args "$2" "$work/out.grd" "$ngrids")
  timed "$1" "$exe" "${args[@]}" </dev/null
}

run_ref() {  # run_ref CASE
  rm -f "$work/out.ref"
  timed reference "$ref" "$work/$1.txt" "$work/out.ref" >/dev/null
}

# median FILE COLUMN: the median of one column of a times file
median() {
  awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# summary NAME LABEL VALUES BYTES: medians of the runs of NAME, and the largest peak memory
summary() {
  local f=$work/$1.times
  awk -v label="$2" -v n="$3" -v b="$4" -v w="$(median "$f" 1)" -v u="$(median "$f" 2)" \
    -v s="$(median "$f" 3)" -v rss="$(sort -g -k4 "$f" | tail -n 1 | awk '{ print $4 }')" 'BEGIN {
      printf "    %-10s wall %.3f s  user %.2f s  sys %.2f s  %5.1f M values/s  %5.1f MB/s  peak %.1f MiB\n",
             label, w, u, s, n / w / 1e6, b / w / 1e6, rss / 1024
    }'
}

# ratio NAME: median (min..max) of NAME's wall time over the reference's, run by run
ratio() {
  paste "$work/$1.times" "$work/reference.times" | awk '{ print $1 / $5 }' | sort -g |
    awk '{ r[NR] = $1 } END { printf "%.2f (%.2f..%.2f)", r[int((NR + 1) / 2)], r[1], r[NR] }'
}

callgrind_count() {  # callgrind_count COMMAND...: instructions executed
  valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" "$@" >/dev/null 2>"$work/cg.log"
  awk '/^summary:/ { print $2 }' "$work/cg.out"
}

for kind in $cases; do
  nvalues=$((nx * ny * ngrids))
  if [[ ! -s $work/$kind.txt ]]; then values "$kind" "$nvalues" >"$work/$kind.txt"; fi
  answers "$work/$kind.txt" "^$work/out.grd" "$ngrids" >"$work/$kind.ans"
  if [[ ! -s $work/$kind.rows.txt ]]; then rows_of "$work/$kind.txt" >"$work/$kind.rows.txt"; fi
  bytes=$(stat -c %s "$work/$kind.txt")
  rm -f "$work"/*.times
  progs=(text2grid reference cli cli-rows)
  [[ -n $baseline ]] && progs+=(baseline)
  for ((r = 0; r < runs; r++)); do
    # each program in turn, the order rotated from run to run
    for ((k = 0; k < ${#progs[@]}; k++)); do
      case ${progs[(r + k) % ${#progs[@]}]} in
        text2grid) run_t2g text2grid "$exe" "$kind" && cp "$work/out.grd" "$work/new.grd" ;;
        reference) run_ref "$kind" ;;
        cli) run_cli cli "$work/$kind.txt" && cp "$work/out.grd" "$work/cli.grd" ;;
        cli-rows) run_cli cli-rows "$work/$kind.rows.txt" && cp "$work/out.grd" "$work/rows.grd" ;;
        baseline) run_t2g baseline "$baseline" "$kind" && cp "$work/out.grd" "$work/old.grd" ;;
      esac
    done
    cmp "$work/new.grd" "$work/cli.grd" || { echo "the command line's grid file differs" >&2; exit 1; }
    cmp "$work/new.grd" "$work/rows.grd" || { echo "the rows' grid file differs" >&2; exit 1; }
    if [[ -n $baseline ]]; then
      cmp "$work/new.grd" "$work/old.grd" || { echo "grid files differ from the baseline" >&2; exit 1; }
      cmp "$work/text2grid.out" "$work/baseline.out" ||
        { echo "standard output differs from the baseline" >&2; exit 1; }
    fi
  done
  written=$(grep -c 'GD_WDAT1: iret =            0' "$work/text2grid.out" || true)
  printf '(%s) %d x %d values x %d grids: %d values, %.1f MB, %d grids written, %d paired runs\n' \
    "$kind" "$nx" "$ny" "$ngrids" "$nvalues" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" \
    "$written" "$runs"
  summary text2grid text2grid "$nvalues" "$bytes"
  summary reference reference "$nvalues" "$bytes"
  echo "    ratio text2grid / reference (wall, median of pairs): $(ratio text2grid)"
  summary cli "cli" "$nvalues" "$bytes"
  summary cli-rows "cli-rows" "$nvalues" "$bytes"
  echo "    ratio cli / reference: $(ratio cli); cli-rows / reference: $(ratio cli-rows)"
  if [[ -n $baseline ]]; then
    summary baseline baseline "$nvalues" "$bytes"
    echo "    ratio baseline / reference (wall, median of pairs): $(ratio baseline)"
  fi
  if [[ ${BENCH_CALLGRIND:-0} == 1 ]]; then
    head -n $((nx * ny)) "$work/$kind.txt" >"$work/cg.txt"
    answers "$work/cg.txt" "^$work/cg.grd" 1 >"$work/cg.ans"
    rm -f "$work/cg.grd" "$work/cg.ref"
    t2g_ir=$(callgrind_count "$exe" <"$work/cg.ans")
    ref_ir=$(callgrind_count "$ref" "$work/cg.txt" "$work/cg.ref")
    awk -v a="$t2g_ir" -v b="$ref_ir" -v n=$((nx * ny)) 'BEGIN {
      printf "    instructions per value (callgrind, one grid): text2grid %.0f, reference %.0f, ratio %.2f\n",
             a / n, b / n, a / b }'
    rm -f "$work/cg.grd" "$work/cg.ref" "$work/cg.txt" "$work/cg.out"
  fi
  rm -f "$work/out.grd" "$work/out.ref" "$work/new.grd" "$work/old.grd" "$work/cli.grd" "$work/rows.grd"
done
