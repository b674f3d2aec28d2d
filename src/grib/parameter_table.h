// The GRIB2 parameter table: which discipline, category and number a grid
// parameter name (TMPK, PMSL, ...) is written under, on which surface a grid
// without a vertical coordinate lies, and how its units become GRIB2's. The
// table is a text file the user may edit (tables/grib2.tbl); its format is
// described at the top of that file.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "services/shipped_files.h"

namespace grib {

inline constexpr int kGroundSurface = 1;  // fixed surface type "ground or water surface"
inline constexpr std::string_view kTableFileName = "grib2.tbl";

struct GribParameter {
  std::string name;  // upper case, at most 12 characters
  int discipline = 0, category = 0, number = 0;
  std::string short_name;
  // Fixed surface type of a grid without vertical coordinate; when set it
  // also limits the reverse lookup to messages on that surface.
  std::optional<int> surface;
  double factor = 1, offset = 0;  // GRIB value = grid value * factor + offset

  double to_grib(double grid_value) const { return grid_value * factor + offset; }
  double to_grid(double grib_value) const { return (grib_value - offset) / factor; }
  int none_surface() const { return surface.value_or(kGroundSurface); }
};

class ParameterTable {
 public:
  // Reads table text; nullopt with `error` naming the line and the fault.
  static std::optional<ParameterTable> parse(std::string_view text, std::string& error);
  static std::optional<ParameterTable> load(const std::string& path, std::string& error);

  // The line of a parameter name (any case), or null.
  const GribParameter* find(std::string_view name) const;
  // The first line of a code that fits a message on surface type `surface`.
  const GribParameter* find(int discipline, int category, int number, int surface) const;
  std::span<const GribParameter> entries() const { return entries_; }

 private:
  std::vector<GribParameter> entries_;
};

// $MORTBL/grib2.tbl, else grib2.tbl in the shipped folders; empty when none.
std::string find_table_file(const services::ShippedFolder& shipped);

}  // namespace grib
