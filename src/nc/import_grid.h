// The horizontal grid of a netCDF variable as a navigation: which of its
// dimensions are y and x, whether rows or columns run backwards, and the
// projection, corners and angles in the grid file's conventions.
#pragma once

#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/ncfile.h"

namespace nc {

// Coordinates count as evenly spaced when every step lies within this part of
// the mean step (or within 1e-5 degrees / 1e-3 m, for coordinates stored in
// single precision).
inline constexpr double kSpacingTolerance = 1e-3;

struct HorizontalGrid {
  int y_dim = -1, x_dim = -1;
  gridfile::Navigation nav;
  bool flip_rows = false;     // stored north to south (y decreasing)
  bool flip_columns = false;  // stored east to west (x decreasing)
  std::string mapping;        // CF grid_mapping_name, for messages
  std::vector<std::string> warnings;
};

// Whether the last two dimensions of `varid` are a horizontal grid at all
// (coordinate variables for both, of latitude/longitude or projection
// coordinates, or a grid_mapping attribute). Variables for which this is
// false are not grids (bounds, time texts, ...).
bool looks_horizontal(const NcFile& f, int varid);

// When the last two dimensions of `varid` are a horizontal grid in x, y
// order (longitude before latitude), which a grid file cannot take as it is:
// why, with the way to reorder them. Nothing otherwise.
std::optional<std::string> transposed_grid(const NcFile& f, int varid);

// When `varid` lies on a curvilinear grid (2-D latitude and longitude named
// in its coordinates attribute), which a grid file cannot hold: why, with the
// way to regrid it. Nothing otherwise.
std::optional<std::string> curvilinear_grid(const NcFile& f, int varid);

// The grid of a variable; refuses, with the reason, grids it cannot read:
// missing or contradictory grid-mapping attributes, coordinates that are not
// monotonic or not evenly spaced, unknown units, sizes too large for a grid.
gridfile::Result<HorizontalGrid> read_horizontal_grid(const NcFile& f, int varid);

// Largest grid the file format holds: NX and NY must be exact as 32-bit reals
// in the navigation block, and one grid's record must stay far inside the
// file's 2^31 words.
inline constexpr long long kMaxGridSide = 1LL << 24;
inline constexpr long long kMaxGridPoints = 1LL << 30;

}  // namespace nc
