// grib2grid: the GRIB2 messages of a file as a new grid file, one grid per
// message. The logic lives here so that tests run it in-process.
#pragma once

#include <span>
#include <string>

#include "grib/program.h"

namespace grib {

struct ImportOptions {
  std::string grib_path;
  std::string grid_path;
  Selection selection;  // by message number and the identifier the grid gets
  std::string name;     // file every grid under this parameter name instead of the table's
  std::string pack;     // packing of the grids: "none", "grib:12", "dec:2", ...
  std::string table_path;
  timewin::YearWindow window;    // reads two-digit years (--first-year)
  double timeout_seconds = 300;  // longest ecCodes may take over one message; 0: none
  int memory_limit_mib = 4096;   // memory the reading may take; 0: no limit
};

// Every check that can refuse the import (messages on grids or surfaces a
// grid file cannot hold, two grids of one identifier, more than 9999 grids)
// runs before the grid file is created; nothing is left at grid_path unless
// the import succeeds.
int import_grids(const ImportOptions& options, const TableDirs& dirs);

int run_grib2grid(std::span<const std::string> args, const TableDirs& dirs);

}  // namespace grib
