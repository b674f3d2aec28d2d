// A Picture of one grid read from a grid file: its values, the colour range,
// a title from the identifier and the parameter table, and the map geometry
// (cell shape, latitude and longitude lines) where the projection is known.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "gridfile/gridfile.h"
#include "params/params.h"
#include "plot/picture.h"

namespace plot {

struct PictureOptions {
  std::optional<std::pair<double, double>> range;  // fixed colour range
  std::string map = "viridis";
  bool latlon_lines = true;
  std::string file_label;       // the file name as the user typed it
  gridfile::YearWindow window;  // reads the two-digit years of the times
};

// table may be null (no units then). REQUIRES: options.map names a map.
Picture grid_picture(const gridfile::Grid& grid, const gridfile::Navigation& nav,
                     const params::Table* table, const PictureOptions& options);

// "TMPK  Temperature (K)"; the name alone when the table does not know it.
std::string title_text(const gridfile::GridId& id, const params::Table* table);
// "1991-08-23T12:00Z F012  850 PRES": reference time, forecast part and level.
std::string when_where_text(const gridfile::GridId& id, const gridfile::YearWindow& window = {});

}  // namespace plot
