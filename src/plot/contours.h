// Contours of a grid by marching squares: each square of four neighbouring
// grid points whose values straddle a level holds one piece of the isoline
// (two at a saddle, told apart by the square's mean), crossing its sides where
// linear interpolation puts the level; pieces sharing a side are joined into
// polylines. A square with a missing corner holds none, so missing points break
// the lines.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "plot/picture.h"

namespace plot {

inline constexpr std::size_t kMaxContourLevels = 200;

// Round levels strictly inside lo..hi: multiples of `interval`, or of a round
// step giving about ten levels. At most kMaxContourLevels (nullopt beyond).
std::optional<std::vector<double>> contour_levels(double lo, double hi,
                                                  std::optional<double> interval);

// The isolines of values (nx * ny, bottom row first) at each level, labelled
// with the decimals the levels' spacing needs.
std::vector<Isoline> contour_lines(const std::vector<float>& values, int nx, int ny,
                                   std::span<const double> levels);

}  // namespace plot
