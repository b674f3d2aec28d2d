#!/usr/bin/env bash
# Reading every grid of a 1000 x 1000 x 10 grid file through xarray (the
# text2grid backend, one grid per read) against the C++ interface reading the
# same grids (gridfile_bench's BM_ReadWholeFile), in the same run.
#
#   bench/python_read_bench.sh [RUNS]   RUNS timed loads (default 5)
#   BENCH_BUILD_DIR  build folder (default build-bench, Release, with the
#                    benchmarks and the Python package)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
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
cpp_ms=$(BENCH_GRID_FILE=$work/big.grd "$build/bench/gridfile_bench" \
  --benchmark_filter=BM_ReadWholeFile --benchmark_repetitions="$runs" \
  --benchmark_format=json 2>/dev/null |
  /usr/bin/python3 -c 'import json,sys; r=json.load(sys.stdin)["benchmarks"]; print(min(b["real_time"] for b in r if b["run_type"]=="iteration"))')
/usr/bin/python3 - "$work/big.grd" "$runs" "$cpp_ms" <<'PY'
import statistics, sys, time
import xarray as xr
path, runs, cpp_ms = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
times = []
for _ in range(runs):
    start = time.perf_counter()
    ds = xr.open_dataset(path, engine="text2grid")
    ds["PMSL"].load()
    times.append((time.perf_counter() - start) * 1000)
best = min(times)
# The first load of a process also pays for xarray finding its engines and for
# PROJ searching its database for the crs variable's WKT (once per process).
print(f"10 grids of 1000 x 1000: C++ interface {cpp_ms:.1f} ms, xarray {best:.1f} ms, "
      f"ratio {best / cpp_ms:.2f} (best of {runs}; median {statistics.median(times):.1f} ms, "
      f"first in the process {times[0]:.1f} ms)")
PY
