// Latitude and longitude lines over a grid, from its map projection: lines at
// round degree steps across the area the grid covers, as polylines in grid
// coordinates, labelled "30°N", "100°W".
#pragma once

#include <string>
#include <vector>

#include "plot/picture.h"
#include "proj/projection.h"

namespace plot {

// The lines crossing the grid's area (its cells' outer edges included);
// empty when no line falls inside it.
std::vector<GraticuleLine> graticule(const mapproj::Projection& projection);

// A degree step near span / target among round steps (0.1 .. 90 degrees).
double degree_step(double span, int target = 4);

// "30°N", "12.5°S", "0°" for a latitude; "100°W", "20°E", "0°", "180°" for a
// longitude (taken into -180..180).
std::string latitude_label(double lat);
std::string longitude_label(double lon);

// Width / height on the ground of one cell at the middle of the grid (1 when
// the projection cannot tell).
double cell_aspect(const mapproj::Projection& projection);

}  // namespace plot
