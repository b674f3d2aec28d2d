#!/usr/bin/python3
"""Hostile-input probe: mutated grid, netCDF and GRIB2 files into every program.

Makes seed files with the built programs (the bundled example, two packed
copies, a Lambert grid; their netCDF-4, classic netCDF and GRIB2 exports),
then COUNT mutants of each (bit flips, overwritten bytes, extreme 32-bit
words, truncations, duplicated blocks, appended garbage; reproducible with
--seed), and runs each program on each mutant as a user would, under a
timeout and an address-space limit. A mutant may be refused (a message and
exit status 1 or 2); a run is flagged when it

  crash      dies by a signal (or exits with 128 or more)
  timeout    runs past the timeout
  json       prints JSON that does not parse (--json)
  partial    leaves its output under the final name after failing (salvage's
             exit status 1, some grids left out, keeps a sound file)
  temp       leaves a temporary file (NAME.incomplete.PID...)
  unreadable exits 0 with an output that does not read back
             (gridinfo --check on a grid file, ncdump -h on a netCDF file)
  wrong      exits 0 with an output that holds other values: grid2nc's export,
             imported again by nc2grid, differs from the input, or a grid
             salvage kept differs from the input's (griddiff)
  check      `gridinfo --check` passes a file that the listing, --json or
             --dump refuses
  input      changes its input file

Prints a table (program x outcome), the reproducer of every finding (kept
in the findings folder) and exits 1 when anything was flagged.

  /usr/bin/python3 scripts/probe.py [--build build] [--count 300] [--seed 1]
      [--programs gridinfo,griddiff,...] [--keep DIR] [--jobs 2]

The build must be one without AddressSanitizer, which reserves more address
space than the limit allows.
"""
import argparse
import collections
import json
import multiprocessing
import os
import random
import resource
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAMS = ("gridinfo", "griddiff", "gridplot", "grid2nc", "nc2grid", "grib2grid")
TIMEOUT = 20
MEMORY = 2 << 30  # address space of each run


# ---------------------------------------------------------------------------
# Seeds


def run_quiet(args, **kw):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, **kw)


def make_seeds(bin_dir, work):
    """The seed files by kind: {"grid": [...], "nc": [...], "grib": [...]}."""
    exe = lambda name: os.path.join(bin_dir, name)
    examples = os.path.join(ROOT, "examples")
    grids = []
    answers = open(os.path.join(examples, "answers.txt")).read().splitlines()
    answers[2] = os.path.join(examples, "input.txt")
    answers[3] = "^" + os.path.join(work, "example.grd")
    run_quiet([exe("text2grid")], input="\n".join(answers) + "\n", text=True)
    grids.append(os.path.join(work, "example.grd"))
    for name, pack in (("dec2", "dec:2"), ("grib12", "grib:12")):
        out = os.path.join(work, name + ".grd")
        run_quiet([exe("text2grid"), "-i", os.path.join(examples, "input.txt"), "-o", out,
                   "--size", "8x6", "--area", "30,-100,37.5,-86", "--time", "910823/1200",
                   "--time", "910824/0000", "--var", "TMPK:PRES=850,700,500", "--var", "PMSL=0",
                   "--pack", pack])
        grids.append(out)
    values = os.path.join(work, "lcc.values")
    with open(values, "w") as f:
        f.writelines(f"{280 + j * 0.5 + i * 0.25}\n" for j in range(8) for i in range(10))
    lcc = os.path.join(work, "lcc.grd")
    run_quiet([exe("text2grid")], text=True, input="\n".join(
        ["10", "8", values, "^" + lcc, "0", "1", "1", "20.0 -120.0 50.0 -70.0", "LCC",
         "25.0 -95.0 25.0", "910823/1200F012", "TMPK", "1", "1", "0", "850"]) + "\n")
    grids.append(lcc)
    ncs, gribs = [], []
    for grid in grids:
        stem = grid[:-4]
        run_quiet([exe("grid2nc"), grid, stem + ".nc"])
        run_quiet([exe("grid2nc"), grid, stem + "-classic.nc", "--classic"])
        run_quiet([exe("grid2grib"), grid, stem + ".grib2"])
        ncs += [stem + ".nc", stem + "-classic.nc"]
        gribs.append(stem + ".grib2")
    return {"grid": grids, "nc": ncs, "grib": gribs}


# ---------------------------------------------------------------------------
# Mutants

EXTREMES = (0, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 1, 0xFFFFFFFE, 0x7F800000, 0x7FC00000,
            0xFF800000, 0x00010000, 0x40000000)


def spot(n, rng):
    """A position in a file of n bytes: half of them in its first or last
    4 KiB, where the headers and the records in use of a grid file lie."""
    edge = min(n, 4096)
    pick = rng.random()
    if pick < 0.25:
        return rng.randrange(edge)
    if pick < 0.5:
        return n - 1 - rng.randrange(edge)
    return rng.randrange(n)


def mutate(data, rng):
    """One mutant of `data` and a short description of what was done."""
    data = bytearray(data)
    kind = rng.choice(("flip", "byte", "word", "words", "truncate", "duplicate", "append"))
    n = len(data)
    if kind == "flip":
        spots = [spot(n, rng) for _ in range(rng.choice((1, 1, 2, 4)))]
        for at in spots:
            data[at] ^= 1 << rng.randrange(8)
        return bytes(data), f"flip {spots}"
    if kind == "byte":
        at, value = spot(n, rng), rng.choice((0x00, 0xFF, rng.randrange(256)))
        data[at] = value
        return bytes(data), f"byte {at}={value:#x}"
    if kind in ("word", "words"):
        done = []
        for _ in range(1 if kind == "word" else rng.randint(2, 6)):
            at = min(spot(n, rng), n - 4)
            at = at & ~3 if rng.random() < 0.8 else at
            value = rng.choice(EXTREMES + (rng.getrandbits(32),))
            data[at:at + 4] = struct.pack(rng.choice(("<I", ">I")), value)
            done.append(f"{at}={value:#x}")
        return bytes(data), "word " + " ".join(done)
    if kind == "truncate":
        at = spot(n, rng)
        return bytes(data[:at]), f"truncate {at}"
    if kind == "duplicate":
        at, length = spot(n, rng), rng.choice((4, 16, 64, 512, 4096))
        block = data[at:at + length]
        to = spot(n, rng)
        replace = rng.random() < 0.5
        data[to:to + (len(block) if replace else 0)] = block
        return bytes(data), f"duplicate {at}+{len(block)} {'over' if replace else 'into'} {to}"
    length = rng.choice((1, 4, 100, 5000))
    return bytes(data) + rng.randbytes(length), f"append {length}"


# ---------------------------------------------------------------------------
# Runs


def limits():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY, MEMORY))
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def execute(args, cwd):
    """(status, stdout, stderr); status None on timeout, negative for a signal."""
    try:
        done = subprocess.run(args, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=TIMEOUT, preexec_fn=limits)
    except subprocess.TimeoutExpired:
        return None, b"", b""
    return done.returncode, done.stdout, done.stderr


def commands(kind, mutant, seed):
    """(program, label, args, output name or None, output kind) for a mutant."""
    runs = [("gridinfo", "gridinfo", ["gridinfo", mutant], None, None)]
    if kind == "grid":
        runs += [("gridinfo", "gridinfo --json", ["gridinfo", mutant, "--json"], None, None),
                 ("gridinfo", "gridinfo --csv", ["gridinfo", mutant, "--csv"], None, None),
                 ("gridinfo", "gridinfo --check", ["gridinfo", mutant, "--check"], None, None),
                 ("gridinfo", "gridinfo --dump 1", ["gridinfo", mutant, "--dump", "1"], None, None),
                 ("gridinfo", "gridinfo --salvage",
                  ["gridinfo", mutant, "--salvage", "out.grd"], "out.grd", "grid"),
                 ("griddiff", "griddiff", ["griddiff", mutant, seed], None, None),
                 ("gridplot", "gridplot", ["gridplot", mutant, "1", "-o", "out.png"], "out.png",
                  "png"),
                 ("grid2nc", "grid2nc", ["grid2nc", mutant, "out.nc"], "out.nc", "nc")]
    elif kind == "nc":
        runs.append(("nc2grid", "nc2grid", ["nc2grid", mutant, "out.grd", "--timeout", "5",
                                            "--memory-limit", "1024"], "out.grd", "grid"))
    else:
        runs.append(("grib2grid", "grib2grid", ["grib2grid", mutant, "out.grd"], "out.grd",
                     "grid"))
    return runs


def reads_back(bin_dir, path, kind):
    if kind == "grid":
        args = [os.path.join(bin_dir, "gridinfo"), path, "--check"]
    elif kind == "nc":
        args = ["ncdump", "-h", path]
    else:
        return open(path, "rb").read(8) == b"\x89PNG\r\n\x1a\n"
    status, _, _ = execute(args, os.path.dirname(path))
    return status == 0


def export_matches(bin_dir, cwd, mutant):
    """Whether grid2nc's export of `mutant`, imported again, holds the grids
    the reader reads from it (an import refused or warned about is not judged)."""
    status, _, err = execute([os.path.join(bin_dir, "nc2grid"), "out.nc", "back.grd"], cwd)
    if status != 0 or b"warning" in err:  # said so: NaN stored as missing, a name given
        return True
    status, _, _ = execute([os.path.join(bin_dir, "griddiff"), mutant, "back.grd"], cwd)
    return status == 0


def salvage_matches(bin_dir, cwd, mutant):
    """Whether every grid salvage kept is the input's grid, value for value
    (judged by griddiff where it can read the whole input)."""
    status, out, _ = execute([os.path.join(bin_dir, "griddiff"), mutant, "out.grd", "--json"], cwd)
    if status not in (0, 1):
        return True
    report = json.loads(out)
    return not report["navigation"] and not report["only_in_b"] and all(
        g.get("equal") for g in report["grids"])


def judge(bin_dir, run, status, out, cwd, original, mutant):
    """The flags of one run."""
    program, label, args, output, out_kind = run
    flags = []
    if status is None:
        return ["timeout"]
    if status < 0 or status >= 128:
        flags.append("crash")
    if label.endswith("--json") and out.strip():
        try:
            for line in out.decode("utf-8").splitlines():
                if line.strip():
                    json.loads(line)
        except (ValueError, UnicodeDecodeError):
            flags.append("json")
    left = os.listdir(cwd)
    if any(".incomplete." in name for name in left):
        flags.append("temp")
    if output and output in left:
        # Salvage's output holds the grids that read back whole, exit status 1
        # saying that some did not.
        if status != 0 and not (label.endswith("--salvage") and status == 1):
            flags.append("partial")
        elif not reads_back(bin_dir, os.path.join(cwd, output), out_kind):
            flags.append("unreadable")
        elif program == "grid2nc" and not export_matches(bin_dir, cwd, mutant):
            flags.append("wrong")
        elif label.endswith("--salvage") and not salvage_matches(bin_dir, cwd, mutant):
            flags.append("wrong")
    if open(mutant, "rb").read() != original:
        flags.append("input")
    return flags


def probe_mutant(job):
    """Runs every program on one mutant; a list of (program, label, outcome, detail)."""
    bin_dir, kind, seed, mutant, programs = job
    original = open(mutant, "rb").read()
    results, statuses, grids = [], {}, 0
    for run in commands(kind, mutant, seed):
        if run[0] not in programs:
            continue
        cwd = tempfile.mkdtemp(prefix="run-", dir=os.path.dirname(mutant))
        args = [os.path.join(bin_dir, run[2][0])] + run[2][1:]
        status, out, err = execute(args, cwd)
        statuses[run[1]] = status
        if run[1] == "gridinfo --json" and status == 0:
            try:
                grids = len(json.loads(out.splitlines()[0])["grids"])
            except (ValueError, IndexError, KeyError, UnicodeDecodeError):
                pass  # flagged by judge
        flags = judge(bin_dir, run, status, out, cwd, original, mutant)
        shutil.rmtree(cwd, ignore_errors=True)
        if flags:
            detail = err.decode("utf-8", "replace").strip().splitlines()[-1:] or [""]
            results += [(run[0], run[1], f, f"status {status}: {detail[0][:160]}") for f in flags]
        else:
            results.append((run[0], run[1], "ok" if status == 0 else "refused", ""))
    if statuses.get("gridinfo --check") == 0:
        for label in ("gridinfo", "gridinfo --json", "gridinfo --dump 1"):
            if label.endswith("--dump 1") and grids == 0:
                continue  # a sound file of no grids has no grid 1
            if statuses.get(label) not in (0, None):
                results.append(("gridinfo", label, "check", "--check passed, this exited "
                                f"{statuses[label]}"))
    return mutant, results


# ---------------------------------------------------------------------------
# Main


def build_bin_dir(build):
    found = {}
    for folder, _, files in os.walk(build):
        for name in files:
            if name in PROGRAMS + ("text2grid", "grid2grib") and name not in found:
                path = os.path.join(folder, name)
                if os.access(path, os.X_OK):
                    found[name] = path
    bin_dir = tempfile.mkdtemp(prefix="probe-bin-")
    for name, path in found.items():
        os.symlink(path, os.path.join(bin_dir, name))
    missing = set(PROGRAMS + ("text2grid", "grid2grib")) - set(found)
    if missing:
        sys.exit(f"probe: not built in {build}: {', '.join(sorted(missing))}")
    return bin_dir


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--count", type=int, default=300, help="mutants per seed file")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--programs", default=",".join(PROGRAMS))
    parser.add_argument("--keep", help="folder for the findings (default: a new one in /tmp)")
    parser.add_argument("--jobs", type=int, default=2)
    options = parser.parse_args()
    programs = set(options.programs.split(","))
    if programs - set(PROGRAMS):
        sys.exit(f"probe: unknown programs {programs - set(PROGRAMS)}; known: {PROGRAMS}")

    started = time.monotonic()
    bin_dir = build_bin_dir(options.build)
    work = tempfile.mkdtemp(prefix="probe-")
    findings = options.keep or tempfile.mkdtemp(prefix="probe-findings-")
    os.makedirs(findings, exist_ok=True)
    seeds = make_seeds(bin_dir, work)
    rng = random.Random(options.seed)
    jobs, about = [], {}
    for kind, paths in seeds.items():
        for seed in paths:
            data = open(seed, "rb").read()
            stem = os.path.basename(seed).replace(".", "-")
            for i in range(options.count):
                mutant, what = mutate(data, rng)
                path = os.path.join(work, f"{stem}-{i:04d}.{seed.rsplit('.', 1)[1]}")
                with open(path, "wb") as f:
                    f.write(mutant)
                about[path] = (seed, what)
                jobs.append((bin_dir, kind, seed, path, programs))

    table = collections.defaultdict(collections.Counter)
    flagged, runs = [], 0
    with multiprocessing.Pool(max(1, options.jobs)) as pool:
        for mutant, results in pool.imap_unordered(probe_mutant, jobs, chunksize=4):
            for program, label, outcome, detail in results:
                if outcome != "check":
                    runs += 1
                table[label][outcome] += 1
                if outcome not in ("ok", "refused"):
                    kept = os.path.join(findings, os.path.basename(mutant))
                    shutil.copyfile(mutant, kept)
                    seed_kept = os.path.join(findings, os.path.basename(about[mutant][0]))
                    if not os.path.exists(seed_kept):
                        shutil.copyfile(about[mutant][0], seed_kept)
                    flagged.append((label, outcome, kept, about[mutant][1], detail))

    outcomes = ["ok", "refused", "crash", "timeout", "json", "partial", "temp", "unreadable",
                "wrong", "check", "input"]
    print(f"probe: {len(jobs)} mutants of {sum(map(len, seeds.values()))} seeds "
          f"({options.count} each, --seed {options.seed}), {runs} runs, "
          f"{time.monotonic() - started:.0f} s")
    print(f"{'run':<20}" + "".join(f"{o:>11}" for o in outcomes))
    for label in sorted(table):
        print(f"{label:<20}" + "".join(f"{table[label][o]:>11}" for o in outcomes))
    for label, outcome, kept, what, detail in flagged:
        print(f"FINDING {outcome}: {label} on {kept} ({what}) {detail}")
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(bin_dir, ignore_errors=True)
    if flagged:
        print(f"probe: {len(flagged)} finding(s); reproducers in {findings}")
        return 1
    if not options.keep:
        shutil.rmtree(findings, ignore_errors=True)
    print("probe: nothing flagged")
    return 0


if __name__ == "__main__":
    sys.exit(main())
