// The renderer's parts, shared by render.cpp (raster, titles, colour bar,
// encoding), render_graticule.cpp (latitude and longitude lines and their edge
// labels) and render_overlays.cpp (coastlines, borders, contours, wind).
#pragma once

#include <cairo.h>

#include <string>
#include <utility>
#include <vector>

#include "plot/picture.h"
#include "plot/style.h"

namespace plot::drawing {

inline constexpr Rgb kInk = {0.15, 0.15, 0.15};

// A text as drawn, kept so that SVG output can also carry it as text.
struct DrawnText {
  std::string kind;  // "title", "latitude", "longitude", "contour", ...
  std::string text;
  double x = 0, y = 0;  // left end of the baseline
};

struct Canvas {
  cairo_t* cr;
  const Layout& layout;
  std::vector<DrawnText> texts;
  double scale() const { return layout.text_scale; }
};

void set_colour(cairo_t* cr, const Rgb& c);
void draw_text(Canvas& canvas, style::TextRole role, double x, double baseline,
               const std::string& text, const char* kind);
// Text centred vertically on y.
void draw_label(Canvas& canvas, double x, double y, const std::string& text, const char* kind);
// The label's height in pixels (ascent + descent).
double label_height(const Canvas& canvas);

// Pixel position of a grid position.
std::pair<double, double> pixel_of(const Layout& layout, const GridPoint& g);

// Strokes the polylines, clipped to the raster.
void stroke_lines(Canvas& canvas, const std::vector<GridLine>& lines, const Rgb& colour,
                  double alpha, double width);

void draw_graticule(Canvas& canvas, const Picture& picture);
void draw_overlays(Canvas& canvas, const Picture& picture);
void draw_wind_key(Canvas& canvas, const Picture& picture);

}  // namespace plot::drawing
