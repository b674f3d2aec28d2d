"""The exceptions of text2grid: one class per kind of failure a caller may
want to tell apart, each carrying the library's code and its message."""


class Error(Exception):
    """A grid file could not be read or written as asked."""

    def __init__(self, message, code=0):
        super().__init__(message)
        self.code = code

    def __str__(self):
        return self.args[0] if self.args else ""


class NotFoundError(Error, FileNotFoundError):
    """The file does not exist."""


class ExistsError(Error, FileExistsError):
    """The file to create exists already (grid files are never overwritten)."""


class DamagedError(Error):
    """The file is not a grid file, or a record of it contradicts itself."""


class NoSuchGridError(Error, KeyError):
    """No grid under that number or identifier."""


class ArgumentError(Error, ValueError):
    """A value the library would cut, misread or refuse."""


class ClosedError(Error, ValueError):
    """The grid file was closed."""


class LayoutError(Error, ValueError):
    """The grids do not form the regular lattice a Dataset needs."""
