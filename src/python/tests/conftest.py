"""Fixtures: grid files written by the toolkit's programs and by the
package itself, and the programs to check them against."""

import os
import shutil
import subprocess

import numpy as np
import pytest

import text2grid

SOURCE = os.environ.get("T2G_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "../../.."))
BUILD = os.environ.get("T2G_BUILD_DIR", os.path.join(SOURCE, "build"))


def program(name):
    for folder in ("driver", "gridtools", "nc"):
        path = os.path.join(BUILD, "src", folder, name)
        if os.access(path, os.X_OK):
            return path
    pytest.skip(f"{name} is not built")


def run(*args, **kw):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, check=True, **kw)


@pytest.fixture(scope="session")
def example(tmp_path_factory):
    """The bundled example as text2grid converts it: 8 x 6 CED, 8 grids."""
    folder = tmp_path_factory.mktemp("example")
    shutil.copy(os.path.join(SOURCE, "examples", "input.txt"), folder / "input.txt")
    answers = open(os.path.join(SOURCE, "examples", "answers.txt")).read()
    answers = answers.replace("examples/input.txt", "input.txt").replace(
        "examples/example.grd", "example.grd")
    subprocess.run([program("text2grid"), "--quiet"], input=answers, text=True, cwd=folder,
                   check=True)
    return folder / "example.grd"


def lcc_navigation(nx=30, ny=20):
    return text2grid.Navigation("LCC", nx, ny, 25.0, -110.0, 45.0, -80.0, 33.0, -97.0, 45.0)


def write_grids(path, nav, grids, max_grids=100):
    """grids: (time1, level, vcoord, param, values) tuples."""
    with text2grid.create(path, nav, max_grids=max_grids) as f:
        for time1, level, vcoord, param, values in grids:
            f.write(values, time1, level, vcoord, param)
    return path


@pytest.fixture(scope="session")
def lcc_file(tmp_path_factory):
    """An LCC file of two 2026 forecast hours on two pressure levels."""
    rng = np.random.default_rng(7)
    nav = lcc_navigation()
    grids = []
    for t in ("261215/1200F000", "261215/1200F006"):
        for level in (850, 500):
            values = rng.normal(270, 10, (nav.ny, nav.nx)).astype(np.float32)
            values[3, 4] = np.nan
            grids.append((t, level, "PRES", "TMPK", values))
    return write_grids(tmp_path_factory.mktemp("lcc") / "lcc.grd", nav, grids)


@pytest.fixture(scope="session")
def big_file(tmp_path_factory):
    """1000 x 1000 CED, three times, 2026."""
    nav = text2grid.Navigation("CED", 1000, 1000, -45.0, -90.0, 45.0, 90.0)
    y, x = np.mgrid[0:1000, 0:1000].astype(np.float32)
    grids = [(f"2612{d:02d}/0000", 0, "NONE", "PMSL", 1000 + np.sin(x / 50 + d) * y / 100)
             for d in (1, 2, 3)]
    return write_grids(tmp_path_factory.mktemp("big") / "big.grd", nav, grids, max_grids=10)


def dump(path, number):
    """gridinfo --dump: top row first, one value per line."""
    out = run(program("gridinfo"), path, "--dump", number).stdout
    return np.array([float(line) for line in out.split()], dtype=np.float32)
