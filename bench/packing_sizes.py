#!/usr/bin/python3
"""Size, largest error and speed of each --pack choice on a 1000 x 1000 grid.

    bench/packing_sizes.py [BUILD_DIR]     (default: build; run with Debian's python3)

Converts one 1000 x 1000 field (temperatures 253-293 K with three decimals
and every 997th point missing: the field of bench/pack_bench.cpp) with
text2grid, once unpacked and once per packing and bit count, reads every value
back with `gridinfo --dump` and prints a Markdown table of:
  - the size of the grid's data record (the file's next free word less that
    of a file with no grid; the file itself grows in 512-byte records);
  - the largest difference from the input value, in steps of the packing
    (the step `gridinfo --json` reports) and as a value;
  - the time to pack and to unpack the grid (dp_pgrb, dp_pdif, dp_pdec and
    their readers: the median CPU time of bench/pack_bench's repetitions);
and beside them the same field in netCDF-4 (float32, deflate level 4, one
chunk) written and read with the netCDF4 module, and the size of the same
field as one GRIB2 message with CCSDS compression at the same bit count
(grid2grib --packing ccsds --bits N from the unpacked grid file).
Grids a packing cannot hold are written unpacked with a warning; the table
says so.
"""
import json
import os
import struct
import subprocess
import sys
import tempfile
import time

import numpy as np

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build")
text2grid = os.path.join(build, "src", "driver", "text2grid")
gridinfo = os.path.join(build, "src", "gridtools", "gridinfo")
grid2grib = os.path.join(build, "src", "grib", "grid2grib")
pack_bench = os.path.join(build, "bench", "pack_bench")
env = dict(os.environ, MORERR=os.path.join(root, "tables", "errors"))
work = tempfile.mkdtemp(prefix="packing_sizes_")
N = 1000
MISSING = -9999.0

GRIB_BITS = list(range(2, 25, 2)) + [31]
DEC_DIGITS = [-1, 0, 1, 2, 3]


def field():
    """The field of bench/pack_bench.cpp, as float32, first index fastest."""
    i = np.arange(N, dtype=np.float64)[None, :]
    j = np.arange(N, dtype=np.float64)[:, None]
    noise = ((np.arange(N)[None, :] * 7919 + np.arange(N)[:, None] * 104729) % 1000) * 0.001
    g = (273.15 + 20.0 * np.sin(i * 0.01) * np.cos(j * 0.013) + noise).astype(np.float32)
    flat = g.reshape(-1)
    flat[::997] = MISSING
    return flat


def answers(values_path, out):
    return "\n".join([str(N), str(N), values_path, "^" + out, "0", "1", "1",
                      "-45 -90 45 90", "CED", "0 0 0", "240101/0000", "TMPK", "1", "0", "0", "0", ""])


def convert(values_path, choice):
    out = os.path.join(work, "out.grd")
    if os.path.exists(out):
        os.remove(out)
    options = ["--pack", choice] if choice != "none" else []
    r = subprocess.run([text2grid, "--quiet"] + options, input=answers(values_path, out),
                       text=True, capture_output=True, env=env)
    return r, out


def next_free_bytes(path):
    """Bytes before the next free word (word 129 of the file)."""
    with open(path, "rb") as f:
        f.seek(128 * 4)
        return struct.unpack("=i", f.read(4))[0] * 4


def read_back(path):
    info = json.loads(subprocess.run([gridinfo, path, "--json"], text=True, capture_output=True,
                                     env=env, check=True).stdout.splitlines()[0])
    grid = info["grids"][0]
    dump = subprocess.run([gridinfo, path, "--dump", "1"], text=True, capture_output=True,
                          env=env, check=True).stdout
    return grid, np.array(dump.split(), dtype=np.float32)


def bench_times():
    """Median CPU milliseconds per (benchmark, argument) from pack_bench."""
    if not os.path.exists(pack_bench):
        return {}
    r = subprocess.run([pack_bench, "--benchmark_format=json", "--benchmark_repetitions=3",
                        "--benchmark_min_time=0.05"], text=True, capture_output=True)
    times = {}
    for b in json.loads(r.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name, arg = b["run_name"].split("/")[:2]
            times[(name, int(arg))] = b["cpu_time"]
    return times


def netcdf4(values):
    """Bytes, write and read CPU milliseconds of the field in netCDF-4."""
    import netCDF4
    path = os.path.join(work, "field.nc")
    start = time.process_time()
    with netCDF4.Dataset(path, "w", format="NETCDF4") as nc:
        nc.createDimension("y", N)
        nc.createDimension("x", N)
        v = nc.createVariable("t", "f4", ("y", "x"), zlib=True, complevel=4,
                              chunksizes=(N, N), fill_value=np.float32(MISSING))
        v[:] = values.reshape(N, N)
    written = time.process_time()
    with netCDF4.Dataset(path) as nc:
        back = nc["t"][:]
    read = time.process_time()
    assert np.array_equal(np.ma.filled(back, MISSING).reshape(-1), values)
    return os.path.getsize(path), (written - start) * 1e3, (read - written) * 1e3


def grib2_ccsds(unpacked, bits):
    """Bytes of the field as one GRIB2 message with CCSDS compression at
    `bits`, from the unpacked grid file; None without grid2grib."""
    if not os.path.exists(grid2grib):
        return None
    out = os.path.join(work, "field.grib2")
    if os.path.exists(out):
        os.remove(out)
    subprocess.run([grid2grib, unpacked, out, "--packing", "ccsds", "--bits", str(bits)],
                   text=True, capture_output=True, env=env, check=True)
    return os.path.getsize(out)


def row(choice, values, values_path, base, times, grib2):
    r, out = convert(values_path, choice)
    if r.returncode != 0 or not os.path.exists(out):
        return f"| `{choice}` | refused: {r.stderr.strip()} | | | | | |"
    note = " (written unpacked)" if "written unpacked" in r.stderr else ""
    grid, got = read_back(out)
    keep = values != MISSING
    worst = float(np.max(np.abs(got[keep].astype(np.float64) - values[keep].astype(np.float64))))
    step = grid["packing"].get("step") or 0.0
    in_steps = f"{worst / step:.3f}" if step else "-"
    kind, _, arg = choice.partition(":")
    key = {"grib": "grb", "diff": "dif", "dec": "dec"}.get(kind)
    pack_ms = times.get((f"BM_P{key}", int(arg))) if key else None
    unpack_ms = times.get((f"BM_U{key}", int(arg))) if key else None
    timing = (f"{pack_ms:.1f} | {unpack_ms:.1f}" if pack_ms is not None and unpack_ms is not None
              else "- | -")
    bits = grid["packing"]["bits"]
    g2 = grib2(bits) if bits else None
    return (f"| `{choice}`{note} | {bits or '-'} | {next_free_bytes(out) - base} | "
            f"{step:.6g} | {in_steps} | {worst:.6g} | {timing} | "
            f"{g2 if g2 is not None else '-'} |")


def main():
    values = field()
    values_path = os.path.join(work, "field.txt")
    with open(values_path, "w") as f:
        f.write("\n".join(f"{v:.9g}" for v in values) + "\n")
    # A file of headers only: the same answers with no time and no variable.
    empty = os.path.join(work, "empty.grd")
    lines = answers(values_path, empty).split("\n")
    lines[5] = lines[6] = "0"
    subprocess.run([text2grid, "--quiet"], input="\n".join(lines[:10]) + "\n\n", text=True,
                   capture_output=True, env=env)
    base = next_free_bytes(empty)
    times = bench_times()
    r, out = convert(values_path, "none")
    unpacked = os.path.join(work, "unpacked.grd")
    os.rename(out, unpacked)
    print("| `--pack` | bits | data record, bytes | step | largest error, steps | "
          "largest error | pack, ms | unpack, ms | GRIB2 CCSDS, bytes |")
    print("|---|---|---|---|---|---|---|---|---|")
    choices = (["none"] + [f"grib:{b}" for b in GRIB_BITS] + [f"diff:{b}" for b in GRIB_BITS]
               + [f"dec:{d}" for d in DEC_DIGITS])
    for choice in choices:
        print(row(choice, values, values_path, base, times,
                  lambda bits: grib2_ccsds(unpacked, bits)), flush=True)
    size, write_ms, read_ms = netcdf4(values)
    print(f"| netCDF-4 float32, deflate 4 | 32 | {size} (file) | - | - | 0 | "
          f"{write_ms:.1f} (write) | {read_ms:.1f} (read) | - |")


if __name__ == "__main__":
    main()
