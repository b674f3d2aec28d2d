"""The files the library reads that ship with this package: its message
files and the parameter table (units and names of the parameters)."""

import os

_HERE = os.path.dirname(os.path.abspath(__file__))
_DATA = os.path.join(_HERE, "data")


def use_message_files():
    # The library reads its numbered messages from $MORERR; an operator's
    # own setting stays.
    if "MORERR" not in os.environ and os.path.isdir(os.path.join(_DATA, "errors")):
        os.environ["MORERR"] = os.path.join(_DATA, "errors")


def parameter_table():
    """$MORTBL/parameters.tbl when there is one, else the shipped table;
    "" when neither exists."""
    own = os.environ.get("MORTBL")
    for folder in ([own] if own else []) + [_DATA]:
        path = os.path.join(folder, "parameters.tbl")
        if os.path.isfile(path):
            return path
    return ""


def program(name):
    """The path of one of the toolkit's programs: beside this package's
    build or installation, else on PATH."""
    try:
        from ._config import PROGRAMS
    except ImportError:
        PROGRAMS = {}
    path = PROGRAMS.get(name)
    if path and os.access(path, os.X_OK):
        return path
    import shutil
    return shutil.which(name)
