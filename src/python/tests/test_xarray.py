"""The xarray backend: the Dataset grid2nc's export gives, read lazily."""

import numpy as np
import pytest
import xarray as xr

import text2grid
from conftest import dump, program, run, write_grids


def exported(path, tmp_path, *args):
    nc = tmp_path / (path.stem + ".nc")
    # The package reads two-digit years in the window in force (1950-2049 by
    # default); grid2nc is told the same window.
    run(program("grid2nc"), path, nc, "--first-year", text2grid.first_year(), *args)
    return xr.open_dataset(nc, engine="netcdf4")


@pytest.mark.parametrize("name", ["example", "lcc_file"])
def test_coordinates_equal_the_netcdf_export(name, request, tmp_path):
    path = request.getfixturevalue(name)
    ds = xr.open_dataset(path, engine="text2grid")
    nc = exported(path, tmp_path)
    # The export names no forecast times in its coordinates attribute (CDO
    # would warn), so the netCDF engine leaves them data variables; the
    # backend makes them coordinates by their standard_name. Compared alike.
    nc = nc.set_coords([n for n in ("forecast_reference_time", "forecast_period")
                        if n in nc.variables])
    # The export's history line names the time of the export; the rest agrees.
    coords, nc_coords = ds.coords.to_dataset(), nc.coords.to_dataset()
    del nc_coords.attrs["history"]
    xr.testing.assert_identical(coords, nc_coords)
    assert set(ds.data_vars) == set(nc.data_vars)
    raw, nc_raw = (xr.open_dataset(p, engine=e, mask_and_scale=False)
                   for p, e in ((path, "text2grid"), (tmp_path / (path.stem + ".nc"), "netcdf4")))
    for name in nc.data_vars:
        xr.testing.assert_equal(ds[name], nc[name])
        attrs = {k: v for k, v in nc[name].attrs.items()}
        assert set(ds[name].attrs) == set(attrs)
        # Masked or not, missing points and _FillValue where the netCDF has them.
        assert ds[name].encoding.get("_FillValue") == nc[name].encoding.get("_FillValue")
        xr.testing.assert_equal(raw[name].variable, nc_raw[name].variable)
        assert raw[name].attrs.get("_FillValue") == nc_raw[name].attrs.get("_FillValue")


def test_values_and_dimensions_of_the_example(example):
    ds = xr.open_dataset(example, engine="text2grid")
    assert ds["TMPK"].dims == ("time", "pressure", "lat", "lon")
    assert ds["PMSL"].dims == ("time", "lat", "lon")
    assert ds["TMPK"].attrs["units"] == "K"
    assert list(ds["pressure"].values) == [500, 700, 850]
    assert str(ds["time"].values[0])[:16] == "1991-08-23T12:00"
    # Grid 2 is TMPK at 700 hPa of the first time, rows south to north.
    np.testing.assert_array_equal(
        np.flipud(ds["TMPK"].isel(time=0, pressure=1).values).ravel(), dump(example, 2))


def test_forecasts_have_reference_time_and_period(lcc_file):
    ds = xr.open_dataset(lcc_file, engine="text2grid")
    assert [str(t)[:16] for t in ds["time"].values] == ["2026-12-15T12:00", "2026-12-15T18:00"]
    assert str(ds["forecast_reference_time"].values)[:16] == "2026-12-15T12:00"
    assert list(ds["forecast_period"].values.astype("timedelta64[h]").astype(int)) == [0, 6]
    assert ds["lat"].dims == ("y", "x") and "grid_mapping_name" in ds["crs"].attrs
    assert np.isnan(ds["TMPK"].isel(time=0, pressure=0).values[3, 4])


def test_reads_are_lazy_and_one_chunk_per_grid(big_file):
    ds = xr.open_dataset(big_file, engine="text2grid", chunks={})
    assert ds["PMSL"].data.chunks == ((1, 1, 1), (1000,), (1000,))
    window = ds["PMSL"].isel(time=1, lat=slice(10, 20), lon=5).values
    with text2grid.open(big_file) as f:
        np.testing.assert_array_equal(window, f.read(2)[10:20, 5])


def test_first_year_moves_the_window(lcc_file, monkeypatch):
    old = xr.open_dataset(lcc_file, engine="text2grid", first_year=1921)
    assert str(old["time"].values[0])[:4] == "1926"
    monkeypatch.setenv("T2G_FIRST_YEAR", "1921")
    assert str(xr.open_dataset(lcc_file, engine="text2grid")["time"].values[0])[:4] == "1926"
    with pytest.raises(text2grid.ArgumentError):
        xr.open_dataset(lcc_file, engine="text2grid", first_year=26)


def test_a_gap_in_the_lattice_is_named_or_filled(tmp_path):
    nav = text2grid.Navigation("CED", 3, 2, 0.0, 0.0, 1.0, 2.0)
    ones = np.ones((2, 3), np.float32)
    path = write_grids(tmp_path / "gap.grd", nav, [
        ("261201/0000", 850, "PRES", "TMPK", ones), ("261201/0000", 500, "PRES", "TMPK", ones),
        ("261202/0000", 850, "PRES", "TMPK", ones)])
    with pytest.raises(text2grid.LayoutError, match="TMPK has no grid at time .*pressure 500"):
        xr.open_dataset(path, engine="text2grid")
    ds = xr.open_dataset(path, engine="text2grid", fill_missing=True)
    assert np.isnan(ds["TMPK"].isel(time=1).sel(pressure=500).values).all()
    assert (ds["TMPK"].isel(time=1).sel(pressure=850).values == 1).all()


def test_to_gridfile_round_trip(example, lcc_file, tmp_path):
    for path in (example, lcc_file):
        ds = xr.open_dataset(path, engine="text2grid")
        back = text2grid.to_gridfile(ds, tmp_path / ("back-" + path.name))
        report = run(program("griddiff"), path, back)
        assert report.returncode == 0
    with pytest.raises(text2grid.ExistsError):
        text2grid.to_gridfile(ds, back)


def test_to_gridfile_refusals_leave_nothing_behind(example, tmp_path):
    # Neither the grid file, nor nc2grid's temporary file, nor the folder
    # holding the netCDF form of the Dataset.
    ds = xr.Dataset({"v": ("n", np.arange(5.0))})
    with pytest.raises(text2grid.Error, match="not written"):
        text2grid.to_gridfile(ds, tmp_path / "no.grd")
    assert list(tmp_path.iterdir()) == []
    grids = xr.open_dataset(example, engine="text2grid")
    with pytest.raises(text2grid.ArgumentError, match="--pack"):
        text2grid.to_gridfile(grids, tmp_path / "badpack.grd", pack="grib:99x")
    with pytest.raises(text2grid.Error, match="not written"):
        text2grid.to_gridfile(grids, tmp_path / "novar.grd", variables=["NOSUCH"])
    assert list(tmp_path.iterdir()) == []


def test_projected_lat_lon_are_computed_once_and_only_when_used(lcc_file, monkeypatch):
    from text2grid import backend
    calls = []
    compute = backend._lib.point_latlons
    monkeypatch.setattr(backend._lib, "point_latlons",
                        lambda path: calls.append(path) or compute(path))
    ds = xr.open_dataset(lcc_file, engine="text2grid")
    assert calls == [] and "lat" in ds.coords
    lat, lon = ds["lat"].values, ds["lon"].values
    assert calls == [str(lcc_file)] and lat.shape == lon.shape == (20, 30)
    assert lat.min() > 20 and lon.max() < -70
