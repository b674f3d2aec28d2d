// grid2grib: the grids of a grid file as GRIB2 messages, one per grid. The
// logic lives here so that tests run it in-process.
#pragma once

#include <span>
#include <string>

#include "grib/packing.h"
#include "grib/program.h"

namespace grib {

struct ExportOptions {
  std::string grid_path;
  std::string grib_path;
  Selection selection;  // by grid number and identifier
  PackingChoice packing;
  bool packing_given = false;  // --packing named on the command line
  std::string table_path;      // GRIB2 parameter table; empty: the usual search
  timewin::YearWindow window;  // reads two-digit years (--first-year)
};

// Every check that can refuse the export runs before anything is written;
// nothing is left at grib_path unless the export succeeds.
int export_grids(const ExportOptions& options, const TableDirs& dirs);

int run_grid2grib(std::span<const std::string> args, const TableDirs& dirs);

}  // namespace grib
