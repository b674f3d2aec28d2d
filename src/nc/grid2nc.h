// grid2nc: exports the grids of a grid file to a netCDF-CF file. The logic
// lives here so that tests run it in-process.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gridfile/selection.h"
#include "nc/cf_time.h"
#include "nc/time_range.h"
#include "params/params.h"
#include "services/shipped_files.h"
#include "time/year_window.h"

namespace nc {

// Exit statuses of both programs.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file cannot be read or written, or is refused
inline constexpr int kExitUsage = 2;   // bad command line

// Where the parameter table is looked for when no --table is given.
using TableDirs = services::ShippedFolder;

struct ExportOptions {
  std::string grid_path;
  std::string nc_path;
  // Selections; a grid is exported when it matches every list that is not empty.
  std::vector<int> grids;
  std::vector<std::string> params;
  std::vector<gridfile::TimeSelection> times;  // first times (grid time texts or ISO 8601)
  std::vector<int> levels;                     // first levels
  std::optional<TimeRange> time_range;         // valid times
  bool classic = false;                        // 64-bit-offset classic format instead of netCDF-4
  int deflate = 4;                             // netCDF-4 compression level, 0 for none
  std::string table_path;                      // parameter table; empty: the usual search
  timewin::YearWindow window;                  // reads two-digit years (--first-year)
};

// The parameter table at `path`, or found in the usual places when `path` is
// empty (a warning, and an empty table, when there is none). nullopt, with the
// reason on standard error, when the table cannot be read.
std::optional<params::Table> load_table(const std::string& path, const TableDirs& dirs,
                                        std::string_view program);

// Writes the export. Progress on standard output, problems on standard error.
// Nothing is left at nc_path unless the export succeeds.
int export_grids(const ExportOptions& options, const TableDirs& dirs);

// The program: parses the command line (args[0] the program name) and exports.
int run_grid2nc(std::span<const std::string> args, const TableDirs& dirs);

}  // namespace nc
