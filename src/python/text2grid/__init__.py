"""Grid files of text2grid in Python.

    import text2grid
    with text2grid.open("examples/example.grd") as f:
        print(f.navigation, f.grids())
        values = f.read(1)            # float32 (ny, nx), south row first, NaN missing

With xarray: ``xr.open_dataset(path, engine="text2grid")`` (see
text2grid.backend) and ``text2grid.to_gridfile(ds, path)``.

The library behind this package keeps its state per process: every call
holds one process-wide lock (the GIL is released meanwhile), at most three
grid files may be open at once, and a file must not be open twice for update.
"""

import os as _os

from ._errors import (ArgumentError, ClosedError, DamagedError, Error, ExistsError,
                      LayoutError, NoSuchGridError, NotFoundError)
from . import _shipped
from . import _text2grid as _lib
from ._text2grid import File, GridInfo, Navigation

__all__ = ["open", "create", "first_year", "to_gridfile", "File", "GridInfo", "Navigation",
           "Error", "NotFoundError", "ExistsError", "DamagedError", "NoSuchGridError",
           "ArgumentError", "ClosedError", "LayoutError"]
__version__ = "1.0"

_shipped.use_message_files()


def _enter(self):
    return self


def _exit(self, *exc):
    self.close()


File.__enter__ = _enter
File.__exit__ = _exit


def open(path, update=False):  # noqa: A001 - the natural name, as builtins.open
    """Opens an existing grid file for reading (or for adding grids)."""
    path = _os.fspath(path)
    if not _os.path.exists(path):
        raise NotFoundError(f"{path}: no such file", -1)
    return _lib.open(path, update)


def create(path, navigation, max_grids=9999):
    """Creates a new grid file (never over an existing one) with room for
    max_grids grids (1-9999)."""
    path = _os.fspath(path)
    if _os.path.lexists(path):
        raise ExistsError(f"{path}: the file exists; grid files are never overwritten", -1)
    return _lib.create(path, navigation, max_grids)


def first_year(value=None):
    """The first year of the window that widens stored two-digit years:
    value when given, else $T2G_FIRST_YEAR, else 1950."""
    return _lib.first_year(None if value is None else str(value))


def to_gridfile(ds, path, **options):
    """Writes an xarray Dataset as a new grid file; see text2grid.writer."""
    from .writer import to_gridfile as _to_gridfile
    return _to_gridfile(ds, path, **options)
