"""Many grid files at once on dask.distributed: worker processes open the
files themselves, and a killed worker changes nothing."""

import hashlib
import os
import signal

import numpy as np
import pytest
import xarray as xr

import text2grid
from conftest import write_grids

distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    folder = tmp_path_factory.mktemp("many")
    nav = text2grid.Navigation("CED", 60, 40, 30.0, -20.0, 69.0, 39.0)
    rng = np.random.default_rng(3)
    paths = []
    for day in range(1, 21):
        grids = [(f"2612{day:02d}/{h:02d}00", 850, "PRES", "TMPK",
                  rng.normal(280, 5, (40, 60)).astype(np.float32)) for h in (0, 12)]
        paths.append(write_grids(folder / f"day{day:02d}.grd", nav, grids, max_grids=4))
    return paths


def digest(paths):
    return [hashlib.sha256(open(p, "rb").read()).hexdigest() for p in paths]


@pytest.fixture(scope="module")
def cluster():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=2, processes=True,
                                  dashboard_address=None) as c, distributed.Client(c) as client:
        yield client


def test_mean_over_twenty_files_on_workers(files, cluster):
    expected = []
    for p in files:
        with text2grid.open(p) as f:
            expected += [f.read(g.number) for g in f.grids()]
    ds = xr.open_mfdataset(files, engine="text2grid", parallel=True, combine="by_coords",
                           chunks={})
    assert ds["TMPK"].sizes["time"] == 40
    got = float(ds["TMPK"].mean().compute())
    assert got == pytest.approx(float(np.mean(np.array(expected, dtype=np.float64))), rel=1e-6)


def test_a_killed_worker_corrupts_nothing(files, cluster):
    before = digest(files)
    ds = xr.open_mfdataset(files, engine="text2grid", parallel=True, combine="by_coords",
                           chunks={})
    future = cluster.compute(ds["TMPK"].std())
    pids = cluster.run(os.getpid)
    os.kill(next(iter(pids.values())), signal.SIGKILL)
    assert float(future.result(timeout=120)) > 0
    assert digest(files) == before
