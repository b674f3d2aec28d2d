"""Writing an xarray Dataset as a grid file.

The Dataset goes through the toolkit's netCDF import (nc2grid): it is written
as a netCDF-CF file beside the target and imported from there, so it takes
exactly what nc2grid takes (the layout the backend reads, and CF files from
other programs), refuses the rest with nc2grid's reasons, and leaves the grid
file whole or not at all.
"""

import os
import subprocess
import tempfile

from . import _shipped
from ._errors import ArgumentError, Error, ExistsError

# Attributes that tie a variable to the grid file it was read from: after a
# selection they no longer describe it.
_STALE = ("t2g_grid_numbers",)


def _netcdf_ready(ds):
    ds = ds.copy()
    for name in ds.variables:
        var = ds[name]
        for key in _STALE:
            var.attrs.pop(key, None)
        var.encoding.pop("preferred_chunks", None)
        var.encoding.pop("source", None)
    return ds


def to_gridfile(ds, path, *, pack=None, variables=None, first_year=None, table=None):
    """Writes the grids of ds to a new grid file at path.

    pack       packing of every grid: "grib:12", "diff:12", "dec:2"
    variables  names of the data variables to write (default: every gridded one)
    first_year the window for two-digit years (the default window otherwise)
    table      a parameter table other than the shipped one
    """
    path = os.fspath(path)
    if os.path.lexists(path):
        raise ExistsError(f"{path}: the file exists; grid files are never overwritten", -1)
    nc2grid = _shipped.program("nc2grid")
    if nc2grid is None:
        raise Error("nc2grid, which writes the grid file, is not installed", -1)
    folder = os.path.dirname(os.path.abspath(path))
    with tempfile.TemporaryDirectory(dir=folder, prefix=".to_gridfile-") as work:
        nc_path = os.path.join(work, "dataset.nc")
        _netcdf_ready(ds).to_netcdf(nc_path)
        args = [nc2grid, nc_path, path]
        if pack is not None:
            args += ["--pack", str(pack)]
        for v in variables or ():
            args += ["--var", str(v)]
        if first_year is not None:
            args += ["--first-year", str(first_year)]
        table = table or _shipped.parameter_table()
        if table:
            args += ["--table", table]
        done = subprocess.run(args, capture_output=True, text=True, check=False)
    if done.returncode != 0:
        reason = done.stderr.strip() or done.stdout.strip()
        kind = ArgumentError if done.returncode == 2 else Error
        raise kind(f"{path} not written: {reason}", done.returncode)
    return path
