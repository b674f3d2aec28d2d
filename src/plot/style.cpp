#include "plot/style.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace plot {

namespace style {

double text_scale_for(int raster_width, int raster_height) {
  return std::clamp(std::max(raster_width, raster_height) / 600.0, 1.0, 2.5);
}

int scaled(int length, double scale) {
  return static_cast<int>(std::lround(length * scale));
}

void use_font(cairo_t* cr, TextRole role, double scale) {
  const bool bold = role == TextRole::kTitle;
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, scale * (role == TextRole::kTitle    ? 15
                                   : role == TextRole::kDetail ? 12
                                                               : 11));
}

int line_height(TextRole role, double scale) {
  return scaled(role == TextRole::kTitle ? 20 : role == TextRole::kDetail ? 16 : 14, scale);
}

double text_width(TextRole role, const std::string& text, double scale) {
  using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
  using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
  static SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1),
                            cairo_surface_destroy);
  static ContextPtr cr(cairo_create(surface.get()), cairo_destroy);
  use_font(cr.get(), role, scale);
  cairo_text_extents_t extents;
  cairo_text_extents(cr.get(), text.c_str(), &extents);
  return extents.x_advance;
}

std::string missing_key_text(std::size_t count) {
  return "missing (" + std::to_string(count) + ")";
}

}  // namespace style

}  // namespace plot
