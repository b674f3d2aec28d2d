// What grid2grib and grib2grid share: exit statuses, the selection options,
// the GRIB2 parameter table search and the lines they write.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "grib/identification.h"
#include "grib/parameter_table.h"
#include "gridfile/gridfile.h"
#include "gridfile/selection.h"
#include "services/shipped_files.h"

namespace grib {

// Exit statuses, those of grid2nc and nc2grid.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file cannot be read or written, or is refused
inline constexpr int kExitUsage = 2;   // bad command line

using TableDirs = services::ShippedFolder;

// Grids or messages chosen by number and identifier; an empty list fits all.
struct Selection {
  std::vector<int> numbers;
  std::vector<std::string> params;             // any case
  std::vector<std::string> time_texts;         // --time as typed
  std::vector<gridfile::TimeSelection> times;  // first times, read once the window is known
  std::vector<int> levels;                     // first levels
  bool by_number_only() const { return params.empty() && times.empty() && levels.empty(); }
  bool matches_number(int number) const;
  bool matches(int number, const gridfile::GridId& id) const;
};

// --param, --time and --level, and `number_option` ("--grid", "--message")
// for the numbers; --table and --first-year.
void add_selection_options(CLI::App& app, Selection& s, const std::string& number_option,
                           const std::string& number_help);
void add_table_options(CLI::App& app, std::string& table_path,
                       std::optional<std::string>& first_year);
// Once the command line is parsed: the window in force, and the --time texts
// read with it.
cli::Parsed read_time_options(const std::optional<std::string>& first_year, Selection& s,
                              timewin::YearWindow& window);

// The GRIB2 parameter table at `path`, or found in the usual places; nullopt
// with the reason on standard error.
std::optional<ParameterTable> load_table(const std::string& path, const TableDirs& dirs,
                                         std::string_view program);

std::string upper(std::string text);

// "PROGRAM: line" on standard error.
void complain(std::string_view program, const std::string& line);

}  // namespace grib
