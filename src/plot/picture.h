// What a picture of one grid shows, and where each part of it goes.
//
// The grid is a filled raster in its own geometry: one cell per grid point,
// column 1 at the left, row ny (north) at the top, each cell cell_w x cell_h
// pixels. To its right a colour bar from the low end of the value range
// (bottom) to the high end (top) with labelled round values, and under the bar
// a hatched legend entry for missing points when the grid has any. Above: a
// title and up to two lines of detail. Over the raster, in this order:
// coastlines and borders, latitude and longitude lines (labelled where they
// leave the raster, on at least two of its edges), contours with their values,
// and wind arrows with a key arrow under the colour bar. Without fill the
// raster is white and the picture has no colour bar. Text grows with the
// raster (text_scale).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plot/colour_map.h"

namespace plot {

// A point in grid coordinates: i along the columns, j along the rows, 1-based,
// grid point (i, j) at the centre of its cell.
struct GridPoint {
  double i = 0, j = 0;
};

// A latitude or longitude line as a polyline in grid coordinates. A break in
// the line (outside the projection's domain) starts a new segment.
struct GraticuleLine {
  enum class Kind { kLatitude, kLongitude };
  Kind kind = Kind::kLatitude;
  std::string label;  // "30°N", "100°W"
  std::vector<std::vector<GridPoint>> segments;
};

// A polyline in grid coordinates (coastline, border, contour piece).
using GridLine = std::vector<GridPoint>;

// One contour: a polyline at one value; closed when it ends where it began.
struct Isoline {
  double level = 0;
  std::string label;  // the value as text
  GridLine points;
  bool closed = false;
};

// One wind arrow at a grid point: the wind's components along the picture's
// right and up directions (already turned from the earth's east and north
// where the projection needs it), in the wind's units.
struct Arrow {
  GridPoint at;
  double right = 0, up = 0;
};

struct WindKey {
  double speed = 0;    // the key arrow's speed, drawn `lattice` cells long; 0: no arrows
  std::string text;    // "10 m s-1"
  int lattice = 1;     // grid points between arrows
  bool barbs = false;  // barbs instead of arrows: a pennant 50, a line 10, half a line 5 units
};

struct Picture {
  int nx = 0, ny = 0;
  std::vector<float> values;  // nx * ny, bottom row first, each row west to east
  // The colours' value range: lo at the bar's bottom, hi at its top; values
  // outside take the end colours. nullopt: no value to show (all missing).
  std::optional<std::pair<double, double>> range;
  ColourMap map = *ColourMap::find("viridis");
  double cell_aspect = 1;  // width / height of one cell on the ground
  std::string title;
  std::vector<std::string> details;  // lines under the title
  std::vector<GraticuleLine> lines;
  std::vector<GridLine> coastlines, borders;
  std::vector<Isoline> contours;
  std::vector<Arrow> arrows;
  WindKey wind_key;
  bool fill = true;  // false: no raster colours and no colour bar
  // The largest raster, in pixels; small grids get cells of several pixels.
  int max_raster_width = 640, max_raster_height = 480;
  // The whole picture's size in pixels (0: as the parts need); the raster is
  // then as large as fits, and the parts are centred on the page.
  int width = 0, height = 0;
};

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
};

struct Layout {
  int width = 0, height = 0;  // the whole picture
  int cell_w = 0, cell_h = 0;
  Box raster;
  Box bar;                // the colour bar, bottom = range low end
  Box missing_key;        // w == 0 when the grid has no missing point
  Box wind_key;           // w == 0 without arrows
  double text_scale = 1;  // fonts and label rooms grow with the raster
  // Pixel centre of grid point (i, j), 1-based.
  double centre_x(int i) const { return raster.x + (i - 0.5) * cell_w; }
  double centre_y(int j) const { return raster.y + raster.h - (j - 0.5) * cell_h; }
};

// True for points drawn as missing: the missing value and anything not finite.
bool shown_as_missing(float value);
std::size_t missing_count(const Picture& picture);

// The range of the values shown (nullopt when none is), widened around a
// grid of one value so that the colour bar has a span.
std::optional<std::pair<double, double>> value_range(const std::vector<float>& values);

Layout layout_picture(const Picture& picture);

}  // namespace plot
