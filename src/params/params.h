// The parameter table: what a grid parameter name (TMPK, PMSL, ...) means in
// the netCDF-CF world (standard_name, units, long name), and back. The table
// is a text file the user may edit (tables/parameters.tbl); its format is
// described at the top of that file.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "services/shipped_files.h"

namespace params {

// One line of the table.
struct Parameter {
  std::string name;           // upper case, at most 12 characters
  std::string standard_name;  // empty when the parameter has none
  std::string units;          // CF/UDUNITS spelling; may be empty
  std::string long_name;
};

inline constexpr std::size_t kMaxNameChars = 12;
inline constexpr std::string_view kTableFileName = "parameters.tbl";

class Table {
 public:
  Table() = default;

  // Reads table text. nullopt on a malformed line, with `error` naming the
  // line number and the fault.
  static std::optional<Table> parse(std::string_view text, std::string& error);
  // Reads the table file at `path`; nullopt with `error` when it cannot be
  // read or is malformed.
  static std::optional<Table> load(const std::string& path, std::string& error);

  // The entry of a parameter name (any case, trailing blanks ignored), or null.
  const Parameter* find(std::string_view name) const;
  // Reverse lookup: the first entry with this standard_name whose units match
  // `units` (same_units). When `units` is empty, the first entry with the
  // standard_name. Null when none fits.
  const Parameter* find_standard_name(std::string_view standard_name,
                                      std::string_view units = {}) const;
  std::span<const Parameter> entries() const { return entries_; }

 private:
  std::vector<Parameter> entries_;
};

// Whether two unit texts name the same unit, allowing the common alternative
// spellings (K and kelvin, degC and degree_Celsius, hPa and mbar, m s-1 and
// m/s, % and percent, ...). Units that only convert into each other (Pa and
// hPa) do not match.
bool same_units(std::string_view a, std::string_view b);

// Where the table is looked for, in order: $MORTBL/parameters.tbl, then
// parameters.tbl in the shipped folders. The first that exists, or empty
// when none does.
std::string find_table_file(const services::ShippedFolder& shipped);
// The same search for another table file shipped beside it (grib2.tbl).
std::string find_table_file(const services::ShippedFolder& shipped, std::string_view file_name);

// The text of a table file, line by line; nullopt with `error` ("cannot read
// the <what> <path> ...") when it cannot be read.
std::optional<std::string> read_table_text(const std::string& path, std::string_view what,
                                           std::string& error);

}  // namespace params
