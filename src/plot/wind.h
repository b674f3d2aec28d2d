// Wind arrows on a thinned lattice of grid points. Components relative to the
// earth (eastward, northward) are turned into the picture's directions (right,
// up) by the angle the projection gives east at each point; components
// relative to the grid already run along its columns and rows, which are the
// picture's axes.
#pragma once

#include <vector>

#include "plot/picture.h"
#include "proj/projection.h"

namespace plot {

struct WindInput {
  const std::vector<float>* u = nullptr;  // nx * ny, bottom row first
  const std::vector<float>* v = nullptr;
  bool earth_relative = true;  // false: along the grid's columns and rows
};

// Arrows every `lattice` points from (1,1), where both components are present
// (and, relative to the earth, where the projection gives a direction east;
// projection may be null for a grid without geometry, taken as relative to
// the grid).
std::vector<Arrow> wind_arrows(const WindInput& wind, int nx, int ny, int lattice,
                               const mapproj::Projection* projection);

// A round speed (1, 2 or 5 times a power of ten) not above the largest
// arrow's, for the key; 0 without arrows or wind.
double key_speed(const std::vector<Arrow>& arrows);

}  // namespace plot
