#!/usr/bin/env python3
"""Size, largest error and time of GRIB2 exports against the grid file and netCDF-4.

    bench/grib_sizes.py [BUILD_DIR]     (default: build)

Makes the 1000 x 1000 x 10 benchmark field (temperatures 230-310 K with two
decimals, 10 grids of 1000 x 1000) with text2grid, unpacked and packed
(--pack grib:16, or grib:3 where packed records are capped), exports it with grid2nc (netCDF-4, deflate level 4) and
grid2grib (each packing), imports every export again (nc2grid, grib2grid) and
prints the file sizes, the largest difference from the unpacked grid file's
values (read back with gridinfo --dump) and the wall time of each export and
import (the best of RUNS runs, default 3; BENCH_RUNS sets it).
"""
import math
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build"))
runs = int(os.environ.get("BENCH_RUNS", "3"))
env = dict(os.environ, MORERR=os.path.join(root, "tables", "errors"))
work = tempfile.mkdtemp(prefix="grib_sizes_")
NX = NY = 1000
GRIDS = 10


def program(name):
    for folder in ("driver", "gridtools", "nc", "grib"):
        path = os.path.join(build, "src", folder, name)
        if os.path.exists(path):
            return path
    sys.exit(f"{name} is not built in {build}")


def timed(args, output):
    """The best wall time of `runs` runs making `output` anew."""
    best = math.inf
    for _ in range(runs):
        if os.path.exists(output):
            os.remove(output)
        start = time.perf_counter()
        subprocess.run(args, check=True, capture_output=True, env=env, cwd=work)
        best = min(best, time.perf_counter() - start)
    return best


def values(grid_file):
    out = []
    for g in range(1, GRIDS + 1):
        r = subprocess.run([program("gridinfo"), grid_file, "--dump", str(g)], check=True,
                           capture_output=True, env=env, text=True)
        out.append(np.array(r.stdout.split(), dtype=np.float64))
    return np.concatenate(out)


def field_text():
    i = np.arange(NX)
    j = np.arange(NY)[:, None]
    lines = []
    for g in range(GRIDS):
        v = 270.0 + 40.0 * np.sin(i / 90.0 + g) * np.cos(j / 70.0) + 0.1 * g
        lines.append("\n".join(f"{x:.2f}" for x in v.ravel()))
    return "\n".join(lines) + "\n"


with open(os.path.join(work, "field.txt"), "w") as f:
    f.write(field_text())
times = "\n".join(f"240101/{h:02d}00" for h in range(GRIDS))
answers = "\n".join([str(NX), str(NY), "field.txt", "{out}", "0", str(GRIDS), "1",
                     "30 -100 60 -40", "CED", "0 0 0", times, "TMPK", "1", "1", "0", "850", ""])
subprocess.run([program("text2grid"), "--quiet"], input=answers.format(out="plain.grd"),
               text=True, check=True, capture_output=True, env=env, cwd=work)
# The grid file packed as GRIB2 is by default: 16 bits, or the most bits a
# packed record of 1000 x 1000 values holds in a build that caps them.
for grid_pack in ("grib:16", "grib:3"):
    r = subprocess.run([program("text2grid"), "--quiet", "--pack", grid_pack],
                       input=answers.format(out="packed.grd"), text=True, capture_output=True,
                       env=env, cwd=work)
    if r.returncode == 0:
        break
truth = values(os.path.join(work, "plain.grd"))

print("| File | Size | Largest error | Export | Import |")
print("|---|---|---|---|---|")
for name, label in (("plain.grd", "grid file, unpacked"), ("packed.grd", f"grid file, {grid_pack}")):
    err = np.max(np.abs(values(os.path.join(work, name)) - truth))
    print(f"| {label} | {os.path.getsize(os.path.join(work, name)) / 1e6:.2f} MB | {err:.3g} | | |")

exports = [
    ("netCDF-4, deflate 4", "out.nc", [program("grid2nc"), "plain.grd", "out.nc"],
     [program("nc2grid"), "out.nc", "back.grd"]),
]
for label, options in (("GRIB2 ccsds, 16 bits (default)", []),
                       ("GRIB2 ccsds, 12 bits", ["--bits", "12"]),
                       ("GRIB2 ccsds, --decimal 2", ["--decimal", "2"]),
                       ("GRIB2 complex, 12 bits", ["--packing", "complex", "--bits", "12"]),
                       ("GRIB2 simple, 12 bits", ["--packing", "simple", "--bits", "12"]),
                       ("GRIB2 simple, 16 bits", ["--packing", "simple"]),
                       ("GRIB2 ieee (32-bit reals)", ["--packing", "ieee"])):
    exports.append((label, "out.grib2", [program("grid2grib"), "plain.grd", "out.grib2"] + options,
                    [program("grib2grid"), "out.grib2", "back.grd"]))
for label, out, export, import_ in exports:
    t_out = timed(export, os.path.join(work, out))
    t_in = timed(import_, os.path.join(work, "back.grd"))
    err = np.max(np.abs(values(os.path.join(work, "back.grd")) - truth))
    size = os.path.getsize(os.path.join(work, out))
    print(f"| {label} | {size / 1e6:.2f} MB | {err:.3g} | {t_out:.2f} s | {t_in:.2f} s |")
    os.remove(os.path.join(work, out))
