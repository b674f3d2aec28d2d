// nc2grid: imports the gridded variables of a netCDF-CF file into a new grid
// file. The logic lives here so that tests run it in-process.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "gridfile/selection.h"
#include "nc/grid2nc.h"
#include "time/year_window.h"

namespace nc {

struct ImportOptions {
  std::string nc_path;
  std::string grid_path;
  std::vector<std::string> vars;  // netCDF variable names; empty: every gridded variable
  std::vector<gridfile::TimeSelection> times;  // times to import (as the grids will be filed)
  std::vector<int> levels;                     // first levels to import (hPa for pressure)
  std::optional<TimeRange> time_range;         // valid times to import
  std::string pack;            // packing of the grids: "none", "grib:12", "dec:2", ...
  std::string table_path;      // parameter table; empty: the usual search
  timewin::YearWindow window;  // the years the grid file's readers use (--first-year)
  std::string name;            // parameter name for the one variable imported; empty: found
  // Member (from 1) of an extra dimension (ensemble, realization) to import,
  // by dimension name.
  std::map<std::string, std::size_t> index;
  // The netCDF and HDF5 libraries read in a child process: the longest one
  // step of reading (opening and planning, or one grid) may take, in seconds
  // (0: no limit), and the child's address space in MiB (0: no limit).
  double timeout_seconds = 300;
  int memory_limit_mib = 4096;
};

// Imports. Every check that can refuse the import runs before the grid file
// is created; the grid file appears under its name only when complete, and
// its grids are reported on standard output once it has. A crash, a hang or
// runaway memory of the netCDF library is one line on standard error, exit
// status 1, and no file.
int import_grids(const ImportOptions& options, const TableDirs& dirs);

int run_nc2grid(std::span<const std::string> args, const TableDirs& dirs);

}  // namespace nc
