#!/usr/bin/env bash
# Reading every grid of a 1000 x 1000 x 10 grid file through xarray (the
# text2grid backend, one grid per read) against the C++ interface reading the
# same grids (gridfile_bench's BM_ReadWholeFile).
#
#   bench/python_read_bench.sh [PAIRS [RUNS]]
#     PAIRS  measurements of both, one after the other (default 5); the
#            ratio is the median of the pairs' ratios, so that the load of
#            other processes falls on both alike
#     RUNS   timed reads per measurement, the best counted (default 7)
#   BENCH_BUILD_DIR  build folder (default build-bench, Release, with the
#                    benchmarks and the Python package)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-5}
runs=${2:-7}
build=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DT2G_BENCH=ON -DT2G_TESTS=OFF >/dev/null
cmake --build "$build" --target gridfile_bench python_package >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PYTHONPATH=$PWD/$build/python
/usr/bin/python3 - "$work/big.grd" <<'PY'
import sys
import numpy as np
import text2grid
nav = text2grid.Navigation("CED", 1000, 1000, -45.0, -90.0, 45.0, 90.0)
y, x = np.mgrid[0:1000, 0:1000].astype(np.float32)
with text2grid.create(sys.argv[1], nav, max_grids=10) as f:
    for k in range(10):
        f.write(1000 + np.sin(x / 50 + k) * y / 100, f"2612{k + 1:02d}/0000", 0, "NONE", "PMSL")
PY
for ((p = 0; p < pairs; ++p)); do
  BENCH_GRID_FILE=$work/big.grd "$build/bench/gridfile_bench" \
    --benchmark_filter=BM_ReadWholeFile --benchmark_repetitions="$runs" \
    --benchmark_format=json 2>/dev/null |
    /usr/bin/python3 -c 'import json,sys; r=json.load(sys.stdin)["benchmarks"]; print(min(b["real_time"] for b in r if b["run_type"]=="iteration"))' \
      >>"$work/cpp_ms"
  /usr/bin/python3 - "$work/big.grd" "$runs" >>"$work/xarray_ms" <<'PY'
import sys, time
import xarray as xr
path, runs = sys.argv[1], int(sys.argv[2])
times = []
for _ in range(runs):
    start = time.perf_counter()
    ds = xr.open_dataset(path, engine="text2grid")
    ds["PMSL"].load()
    times.append((time.perf_counter() - start) * 1000)
# The first load of a process also pays for xarray finding its engines and for
# PROJ searching its database for the crs variable's WKT (once per process).
print(min(times), times[0])
PY
done
/usr/bin/python3 - "$work/cpp_ms" "$work/xarray_ms" <<'PY'
import statistics, sys
cpp = [float(line) for line in open(sys.argv[1])]
xr = [tuple(map(float, line.split())) for line in open(sys.argv[2])]
ratios = sorted(x[0] / c for c, x in zip(cpp, xr))
print(f"10 grids of 1000 x 1000, {len(cpp)} pairs: C++ interface {min(cpp):.1f}-{max(cpp):.1f} ms, "
      f"xarray {min(x[0] for x in xr):.1f}-{max(x[0] for x in xr):.1f} ms; "
      f"ratio median {statistics.median(ratios):.2f} ({ratios[0]:.2f}-{ratios[-1]:.2f}); "
      f"first load in a process {statistics.median(x[1] for x in xr):.0f} ms")
PY
