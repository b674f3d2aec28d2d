"""The xarray backend: ``xr.open_dataset(path, engine="text2grid")``.

The Dataset is the one grid2nc would write for the file, built from the same
description (dimensions, coordinates, attributes, the crs grid mapping), and
decoded the way xarray decodes that netCDF file. Grids are read lazily, one
grid per read, and ``chunks={}`` gives one Dask chunk per grid. Nothing stays
open between reads, so the arrays pickle to Dask workers, which open the file
themselves.
"""

import os

import numpy as np
import xarray as xr
from xarray.backends import BackendArray, BackendEntrypoint
from xarray.core import indexing

from . import _shipped
from . import _text2grid as _lib
from ._errors import LayoutError, NotFoundError

# The value the netCDF library gives an int variable never written (crs).
_NC_FILL_INT = np.int32(-2147483647)


class GridArray(BackendArray):
    """One data variable: a lattice of grid numbers (time x level, or less)
    over the y, x plane of every grid; 0 marks a slot without a grid."""

    def __init__(self, path, numbers, ny, nx, masked):
        self.path = path
        self.numbers = numbers
        self.masked = masked
        self.shape = numbers.shape + (ny, nx)
        self.dtype = np.dtype("float32")

    def __getitem__(self, key):
        return indexing.explicit_indexing_adapter(
            key, self.shape, indexing.IndexingSupport.BASIC, self._read)

    def _read(self, key):
        lattice, plane = key[:-2], key[-2:]
        numbers = np.asarray(self.numbers[lattice])
        # Missing points come out as NaN when masked, else as the missing
        # value exactly, as the netCDF export holds them.
        grids = _lib.read_grids(self.path, numbers.reshape(-1).tolist(),
                                self.shape[-2], self.shape[-1], self.masked)
        grids = grids[(slice(None),) + tuple(plane)]
        return grids.reshape(numbers.shape + grids.shape[1:])


class PointCoordinates:
    """The 2-D latitude and longitude of a projected grid, computed (with PROJ,
    a million points for a 1000 x 1000 grid) the first time either is used."""

    def __init__(self, path):
        self.path = path
        self.values = None

    def get(self, name):
        if self.values is None:
            lat, lon = _lib.point_latlons(self.path)
            self.values = {"lat": lat, "lon": lon}
        return self.values[name]


class PointCoordinateArray(BackendArray):
    """lat or lon of a PointCoordinates, as a lazily indexed array."""

    def __init__(self, points, name, shape):
        self.points = points
        self.name = name
        self.shape = shape
        self.dtype = np.dtype("float64")

    def __getitem__(self, key):
        return indexing.explicit_indexing_adapter(
            key, self.shape, indexing.IndexingSupport.BASIC,
            lambda k: self.points.get(self.name)[k])


def _first_gap(name, dims, numbers, coords):
    """A readable place of the first empty slot of a variable."""
    index = tuple(int(i) for i in np.argwhere(numbers == 0)[0])
    where = ", ".join(f"{dim} {coords[dim][i] if dim in coords else i}"
                      for dim, i in zip(dims, index))
    return f"{name} has no grid at {where}"


def _raw_dataset(path, description, fill_missing, masked):
    """The undecoded Dataset. When masked, the data variables' _FillValue is
    where xarray's decoding would leave it (the encoding) and the reads give
    NaN already, which spares a second pass over every grid."""
    dims = dict(description["dims"])
    coords = {v["name"]: v["values"] for v in description["variables"]
              if "values" in v and v["values"] is not None and v["dims"] == (v["name"],)}
    variables = {}
    points = PointCoordinates(path)
    for v in description["variables"]:
        attrs = dict(v["attrs"])
        if v.get("deferred"):
            shape = tuple(dims[d] for d in v["dims"])
            data = indexing.LazilyIndexedArray(PointCoordinateArray(points, v["name"], shape))
            variables[v["name"]] = xr.Variable(v["dims"], data, attrs)
        elif "grid_numbers" in v:
            lattice = tuple(dims[d] for d in v["dims"][:-2])
            numbers = np.array(v["grid_numbers"], dtype=np.int64).reshape(lattice)
            if (numbers == 0).any() and not fill_missing:
                raise LayoutError(
                    f"{path}: the grids do not fill a regular lattice: "
                    f"{_first_gap(v['name'], v['dims'], numbers, coords)} "
                    "(open with fill_missing=True to read such slots as NaN)")
            ny, nx = dims[v["dims"][-2]], dims[v["dims"][-1]]
            data = indexing.LazilyIndexedArray(GridArray(path, numbers, ny, nx, masked))
            encoding = {"preferred_chunks": {d: (1 if d in v["dims"][:-2] else dims[d])
                                             for d in v["dims"]}}
            if masked:
                encoding["_FillValue"] = attrs.pop("_FillValue")
            variables[v["name"]] = xr.Variable(v["dims"], data, attrs, encoding)
        elif v["values"] is None:
            variables[v["name"]] = xr.Variable((), _NC_FILL_INT, attrs)
        else:
            variables[v["name"]] = xr.Variable(v["dims"], v["values"], attrs)
    return xr.Dataset(variables, attrs=dict(description["globals"]))


_FORECAST_COORDINATES = ("forecast_reference_time", "forecast_period")


def open_gridfile(path, *, first_year=None, fill_missing=False, drop_variables=None,
                  mask_and_scale=True, decode_times=True, concat_characters=True,
                  decode_coords=True, use_cftime=None, decode_timedelta=None):
    """The Dataset of a grid file (what xr.open_dataset(engine="text2grid")
    returns). first_year moves the window that widens two-digit years;
    fill_missing reads slots without a grid as NaN instead of refusing."""
    path = os.fspath(path)
    if not os.path.exists(path):
        raise NotFoundError(f"{path}: no such file", -1)
    window = _lib.first_year(None if first_year is None else str(first_year))
    description = _lib.describe(path, window, _shipped.parameter_table())
    # Masked in the read for the plain True; anything finer is left to
    # xarray's decoding of the raw values.
    raw = _raw_dataset(path, description, fill_missing, mask_and_scale is True)
    if drop_variables:
        raw = raw.drop_vars([d for d in np.atleast_1d(drop_variables) if d in raw.variables])
    ds = xr.decode_cf(raw, mask_and_scale=mask_and_scale, decode_times=decode_times,
                      concat_characters=concat_characters, decode_coords=decode_coords,
                      use_cftime=use_cftime, decode_timedelta=decode_timedelta)
    # The forecast times are coordinates by their standard_name: the data
    # variables' coordinates attribute leaves them out (CDO warns otherwise).
    if decode_coords:
        ds = ds.set_coords([n for n in _FORECAST_COORDINATES if n in ds.variables])
    ds.encoding["source"] = path
    return ds


class GridBackendEntrypoint(BackendEntrypoint):
    description = "Grid files of text2grid (DM grid files)"
    open_dataset_parameters = ("filename_or_obj", "drop_variables", "mask_and_scale",
                               "decode_times", "concat_characters", "decode_coords",
                               "use_cftime", "decode_timedelta", "first_year", "fill_missing")

    def open_dataset(self, filename_or_obj, *, drop_variables=None, first_year=None,
                     fill_missing=False, **decoders):
        return open_gridfile(filename_or_obj, first_year=first_year, fill_missing=fill_missing,
                             drop_variables=drop_variables, **decoders)

    def guess_can_open(self, filename_or_obj):
        try:
            return os.path.splitext(os.fspath(filename_or_obj))[1].lower() in (".grd", ".gem")
        except TypeError:
            return False
