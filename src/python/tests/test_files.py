"""Grid files through the package: values as gridinfo dumps them, writing
and reading back, and each kind of failure as its own exception."""

import os

import numpy as np
import pytest

import text2grid
from conftest import dump, lcc_navigation, write_grids


@pytest.mark.parametrize("name", ["example", "lcc_file", "big_file"])
def test_every_grid_equals_the_dump(name, request):
    path = request.getfixturevalue(name)
    with text2grid.open(path) as f:
        for info in f.grids():
            values = f.read(info.number, mask_missing=False)
            assert values.dtype == np.float32
            assert values.shape == (f.navigation.ny, f.navigation.nx)
            # The dump runs from the top row; arrays keep the file's south-first rows.
            np.testing.assert_array_equal(np.flipud(values).ravel(), dump(path, info.number))


def test_example_lists_its_grids(example):
    with text2grid.open(example) as f:
        nav = f.navigation
        assert (nav.projection, nav.nx, nav.ny) == ("CED", 8, 6)
        assert (nav.lat1, nav.lon1, nav.lat2, nav.lon2) == (30.0, -100.0, 37.5, -86.0)
        ids = [g.id for g in f.grids()]
    assert len(ids) == 8
    assert ids[0] == "910823/1200 850 PRES TMPK"
    assert ids[-1] == "910824/0000 0 NONE PMSL"


def test_write_and_read_back(tmp_path):
    nav = text2grid.Navigation("CED", 4, 3, 0.0, 0.0, 2.0, 3.0)
    values = np.arange(12, dtype=np.float32).reshape(3, 4)
    values[1, 2] = np.nan
    path = write_grids(tmp_path / "w.grd", nav, [("261208/0600", 850, "PRES", "TMPK", values)])
    with text2grid.open(path) as f:
        assert f.navigation == nav
        (info,) = f.grids()
        assert (info.time1, info.level1, info.level2, info.vcoord, info.param) == (
            "261208/0600", 850, None, "PRES", "TMPK")
        got = f.read(1)
        np.testing.assert_array_equal(got, values)  # NaN where missing
        assert f.read(1, mask_missing=False)[1, 2] == -9999.0
        np.testing.assert_array_equal(f.read_id("261208/0600", 850, "PRES", "tmpk"), values)


def test_level2_none_and_zero_are_two_grids(tmp_path):
    nav = text2grid.Navigation("CED", 4, 3, 0.0, 0.0, 2.0, 3.0)
    values = np.zeros((3, 4), np.float32)
    with text2grid.create(tmp_path / "l.grd", nav) as f:
        f.write(values, "261208/0000", 850, "PRES", "THCK")
        f.write(values + 1, "261208/0000", 850, "PRES", "THCK", level2=0)
        with pytest.raises(text2grid.ArgumentError):  # the file's word for None
            f.write(values, "261208/0000", 850, "PRES", "THCK", level2=-1)
    with text2grid.open(tmp_path / "l.grd") as f:
        assert [(g.level2, g.id) for g in f.grids()] == [
            (None, "261208/0000 850 PRES THCK"), (0, "261208/0000 850:0 PRES THCK")]
        assert f.read_id("261208/0000", 850, "PRES", "THCK", level2=0)[0, 0] == 1
        assert f.read_id("261208/0000", 850, "PRES", "THCK")[0, 0] == 0


def test_packed_grid_reads_within_half_a_step(tmp_path):
    nav = text2grid.Navigation("CED", 50, 40, 0.0, 0.0, 39.0, 49.0)
    values = np.random.default_rng(1).uniform(200, 300, (40, 50)).astype(np.float32)
    with text2grid.create(tmp_path / "p.grd", nav) as f:
        f.write(values, "261208/0000", 0, "NONE", "TMPK", packing="grib:12")
    with text2grid.open(tmp_path / "p.grd") as f:
        (info,) = f.grids()
        assert info.packing.startswith("grib")
        step = 100 / 2 ** 12 * 2  # the power-of-two step for a range of 100 in 12 bits
        assert np.abs(f.read(1) - values).max() <= step / 2


def test_failures_are_exceptions_of_their_kind(tmp_path, example):
    with pytest.raises(text2grid.NotFoundError) as e:
        text2grid.open(tmp_path / "none.grd")
    assert isinstance(e.value, FileNotFoundError)
    with pytest.raises(text2grid.ExistsError):
        text2grid.create(example, lcc_navigation())
    with text2grid.open(example) as f:
        with pytest.raises(text2grid.NoSuchGridError):
            f.read(99)
    f.close()
    with pytest.raises(text2grid.ClosedError):
        f.grids()
    not_grid = tmp_path / "text.grd"
    not_grid.write_text("not a grid file\n" * 100)
    with pytest.raises(text2grid.Error):
        text2grid.open(not_grid)


def test_arguments_are_refused_before_writing(tmp_path):
    nav = text2grid.Navigation("CED", 4, 3, 0.0, 0.0, 2.0, 3.0)
    with text2grid.create(tmp_path / "a.grd", nav) as f:
        good = np.zeros((3, 4), np.float32)
        with pytest.raises(text2grid.ArgumentError):
            f.write(np.zeros(12, np.float32), "261208/0000", 0, "NONE", "T")
        with pytest.raises(text2grid.ArgumentError):
            f.write(good, "not a time", 0, "NONE", "T")
        with pytest.raises(text2grid.ArgumentError):
            f.write(good, "261208/0000", 0, "NOWHERE", "T")
        with pytest.raises(text2grid.ArgumentError):
            f.write(good, "261208/0000", 0, "NONE", "T", packing="grib:99")
        assert f.grids() == []
    with pytest.raises(text2grid.ArgumentError):
        text2grid.first_year(21)


def test_damaged_record_is_reported(tmp_path, example):
    damaged = tmp_path / "damaged.grd"
    data = bytearray(open(example, "rb").read())
    # The last grids' records lie at the end: cut into them.
    open(damaged, "wb").write(data[: len(data) - 600])
    with text2grid.open(damaged) as f:
        assert f.damage() != ""
        with pytest.raises(text2grid.DamagedError):
            f.read(f.count())
        assert f.read(1).shape == (6, 8)
