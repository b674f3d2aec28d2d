#!/usr/bin/env python3
"""Size and largest error of each --pack choice of text2grid.

    bench/packing_sizes.py [BUILD_DIR]     (default: build)

Converts the bundled example (8 x 6, 8 grids) and a generated 1000 x 1000
field (temperatures 230-310 K with two decimals) once unpacked and once per
packing, reads every grid back with `gridinfo --dump`, and prints the size of
the grid file's data records (the file's next free word less that of a file
with no grid; the file itself grows in 512-byte records) and
the largest difference from the input values. Grids that a packing cannot hold
are written unpacked with a warning; the table says so.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build")
text2grid = os.path.join(build, "src", "driver", "text2grid")
gridinfo = os.path.join(build, "src", "driver", "gridinfo")
env = dict(os.environ, MORERR=os.path.join(root, "tables", "errors"))
work = tempfile.mkdtemp(prefix="packing_sizes_")


def run(answers, options):
    out = os.path.join(work, "out.grd")
    if os.path.exists(out):
        os.remove(out)
    lines = answers.split("\n")
    lines[3] = "^" + out
    r = subprocess.run([text2grid, "--quiet"] + options, input="\n".join(lines), text=True,
                       capture_output=True, env=env, cwd=root)
    return r, out


def data_bytes(path):
    """Bytes of data records: the next free word (word 129 of the label)."""
    with open(path, "rb") as f:
        f.seek(128 * 4)
        return struct.unpack("=i", f.read(4))[0] * 4


def dump(path, igrid):
    r = subprocess.run([gridinfo, path, "--dump", str(igrid)], text=True, capture_output=True,
                       env=env, check=True)
    return [float(v) for v in r.stdout.split()]


def measure(name, answers, values, ngrids, choices):
    empty_answers = answers.split("\n")
    empty_answers[5] = "0"  # no time and no variable: a file with headers only
    empty_answers[6] = "0"
    r, out = run("\n".join(empty_answers[:10]) + "\n\n", [])
    if not os.path.exists(out):
        sys.exit("text2grid made no empty file: " + r.stderr)
    base = data_bytes(out)
    for choice in choices:
        options = ["--pack", choice] if choice != "none" else []
        r, out = run(answers, options)
        if r.returncode not in (0, 1) or not os.path.exists(out):
            print(f"| {name} | {choice} | refused: {r.stderr.strip()} |")
            continue
        worst = 0.0
        for g in range(ngrids):
            got = dump(out, g + 1)
            want = values[g]
            for a, b in zip(got, want):
                if b == -9999.0:
                    continue
                worst = max(worst, abs(a - b))
        note = " (written unpacked: " + r.stderr.split("[DM")[1].split("]")[0].strip() + ")" \
            if "written unpacked" in r.stderr else ""
        size = data_bytes(out) - base
        print(f"| {name} | {choice}{note} | {size} bytes | {worst:.6g} |")


# The bundled example: the file's rows come bottom first; dump gives them top first.
answers = open(os.path.join(root, "examples", "answers.txt")).read()
lines = [l for l in open(os.path.join(root, "examples", "input.txt")).read().split("\n") if l.strip()]
nx, ny, ngrids = 8, 6, 8
vals = [float(v) for v in lines]
example = [vals[g * nx * ny:(g + 1) * nx * ny] for g in range(ngrids)]
print("| Input | --pack | Data records | Largest error |")
print("|---|---|---|---|")
measure("example (8 x 6 x 8 grids)", answers, example, ngrids,
        ["none", "grib:8", "grib:12", "grib:16", "diff:8", "diff:12", "diff:16", "dec:1", "dec:2"])

# A 1000 x 1000 field of temperatures.
n = 1000
field = [round(270.0 + 40.0 * math.sin(i / 90.0) * math.cos(j / 70.0), 2)
         for j in range(n) for i in range(n)]
with open(os.path.join(work, "field.txt"), "w") as f:
    f.write("\n".join(f"{v:.2f}" for v in field) + "\n")
big = "\n".join([str(n), str(n), os.path.join(work, "field.txt"), "out.grd", "0", "1", "1",
                 "30 -100 37.5 -86", "CED", "0 0 0", "240101/0000", "T", "1", "0", "0", "0", ""])
measure("1000 x 1000 field", big, [field], 1,
        ["none", "grib:2", "grib:3", "grib:4", "diff:2", "diff:3", "dec:-2", "dec:-1", "dec:2"])
