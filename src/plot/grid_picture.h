// A Picture of one grid read from a grid file: its values, the colour range,
// a title from the identifier and the parameter table, and the map geometry
// (cell shape, latitude and longitude lines) where the projection is known.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gridfile/gridfile.h"
#include "params/params.h"
#include "plot/picture.h"

namespace plot {

struct PictureOptions {
  std::optional<std::pair<double, double>> range;  // fixed colour range
  // The colour range centred on this value (by default 0 for coolwarm when
  // the values have both signs); ignored with a fixed range.
  std::optional<double> centre;
  std::string map = "viridis";
  bool latlon_lines = true;
  std::string file_label;     // the file name as the user typed it
  std::string title;          // replaces the parameter's title when not empty
  bool fill = true;           // false: contours alone, no colours
  int width = 0, height = 0;  // the picture's size in pixels; 0: as the parts need
  // Coastlines and borders from the GSHHG files in this folder; empty: none.
  std::string shoreline_folder;
  bool coastlines = true, borders = true;
  bool contours = false;
  std::optional<double> contour_interval;  // nullopt: round levels, about ten
  bool barbs = false;
  gridfile::YearWindow window;  // reads the two-digit years of the times
};

// Grids of the same time and level drawn over the picture.
struct Overlays {
  const gridfile::Grid* contour = nullptr;  // null: contours of the grid itself
  const gridfile::Grid* u = nullptr;        // wind components, both or neither
  const gridfile::Grid* v = nullptr;
  bool earth_relative = true;  // false: along the grid's columns and rows
  std::string wind_units;
};

// table may be null (no units then). Notes for the user (data not installed,
// too many contour levels) are added to `notes` when given. REQUIRES:
// options.map names a map; overlay grids have the grid's size.
Picture grid_picture(const gridfile::Grid& grid, const gridfile::Navigation& nav,
                     const params::Table* table, const PictureOptions& options,
                     const Overlays& overlays = {}, std::vector<std::string>* notes = nullptr);

// "TMPK  Temperature (K)"; the name alone when the table does not know it.
std::string title_text(const gridfile::GridId& id, const params::Table* table);
// "1991-08-23T12:00Z F012  850 PRES": reference time, forecast part and level.
std::string when_where_text(const gridfile::GridId& id, const gridfile::YearWindow& window = {});

}  // namespace plot
