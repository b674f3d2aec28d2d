// The picture drawn with Cairo: raster, overlays, graticule, frame, colour
// bar, keys and texts, on a white page; then encoded in memory, so that the
// file is written in one piece by the caller.
#include "plot/render.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "plot/render_parts.h"
#include "plot/style.h"
#include "plot/ticks.h"

namespace plot {

namespace drawing {

using namespace style;

void set_colour(cairo_t* cr, const Rgb& c) {
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

void draw_text(Canvas& canvas, TextRole role, double x, double baseline, const std::string& text,
               const char* kind) {
  use_font(canvas.cr, role, canvas.scale());
  set_colour(canvas.cr, kInk);
  cairo_move_to(canvas.cr, x, baseline);
  cairo_show_text(canvas.cr, text.c_str());
  canvas.texts.push_back({kind, text, x, baseline});
}

void draw_label(Canvas& canvas, double x, double y, const std::string& text, const char* kind) {
  use_font(canvas.cr, TextRole::kLabel, canvas.scale());
  cairo_font_extents_t fe;
  cairo_font_extents(canvas.cr, &fe);
  draw_text(canvas, TextRole::kLabel, x, y + (fe.ascent - fe.descent) / 2, text, kind);
}

double label_height(const Canvas& canvas) {
  use_font(canvas.cr, TextRole::kLabel, canvas.scale());
  cairo_font_extents_t fe;
  cairo_font_extents(canvas.cr, &fe);
  return fe.ascent + fe.descent;
}

std::pair<double, double> pixel_of(const Layout& layout, const GridPoint& g) {
  return {layout.raster.x + (g.i - 0.5) * layout.cell_w,
          layout.raster.y + layout.raster.h - (g.j - 0.5) * layout.cell_h};
}

}  // namespace drawing

namespace {

using namespace style;
using namespace drawing;

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

std::uint32_t pixel_of(const Rgb& c) {
  auto byte = [](double x) { return static_cast<std::uint32_t>(std::lround(x * 255.0)); };
  return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

// The raster at full size, cell by cell (no scaling, so PNG pixels are exact
// and SVG viewers cannot blur the cells).
SurfacePtr raster_image(const Picture& p, const Layout& layout) {
  SurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.raster.w, layout.raster.h),
                   cairo_surface_destroy);
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return image;
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(image.get()));
  const std::uint32_t missing = pixel_of(rgb_from_hex(kMissingHex));
  const double lo = p.range ? p.range->first : 0, hi = p.range ? p.range->second : 1;
  const auto nx = static_cast<std::size_t>(p.nx);
  const auto cw = static_cast<std::size_t>(layout.cell_w);
  const auto ch = static_cast<std::size_t>(layout.cell_h);
  std::vector<std::uint32_t> row_pixels(static_cast<std::size_t>(layout.raster.w));
  for (std::size_t j = 0; j < static_cast<std::size_t>(p.ny); ++j) {
    for (std::size_t i = 0; i < nx; ++i) {
      const float v = p.values[j * nx + i];
      const std::uint32_t px =
          shown_as_missing(v) ? missing : pixel_of(p.map.at((v - lo) / (hi - lo)));
      std::fill_n(row_pixels.begin() + static_cast<std::ptrdiff_t>(i * cw), cw, px);
    }
    // Grid row j+1 counted from the bottom; image rows from the top.
    const std::size_t first_line = (static_cast<std::size_t>(p.ny) - 1 - j) * ch;
    for (std::size_t line = first_line; line < first_line + ch; ++line) {
      std::copy(row_pixels.begin(), row_pixels.end(),
                reinterpret_cast<std::uint32_t*>(data + line * stride));
    }
  }
  cairo_surface_mark_dirty(image.get());
  return image;
}

void frame(cairo_t* cr, const Box& box) {
  set_colour(cr, kInk);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, box.x - 0.5, box.y - 0.5, box.w + 1, box.h + 1);
  cairo_stroke(cr);
}

void draw_titles(Canvas& canvas, const Picture& p) {
  const double s = canvas.scale();
  double baseline = kMargin + line_height(TextRole::kTitle, s) - 5 * s;
  draw_text(canvas, TextRole::kTitle, kMargin, baseline, p.title, "title");
  for (const std::string& line : p.details) {
    baseline += line_height(TextRole::kDetail, s);
    draw_text(canvas, TextRole::kDetail, kMargin, baseline, line, "detail");
  }
}

void draw_colour_bar(Canvas& canvas, const Picture& p) {
  cairo_t* cr = canvas.cr;
  const Box& bar = canvas.layout.bar;
  const double label_x = bar.x + bar.w + kTickLength + kLabelGap;
  if (!p.range) {
    frame(cr, bar);
    draw_label(canvas, label_x, bar.y + bar.h / 2.0, "no values", "bar");
    return;
  }
  // The map's own anchors as gradient stops: the bar shows exactly the
  // colours the raster uses, bottom = low end, top = high end.
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, bar.y + bar.h, 0, bar.y);
  for (std::size_t k = 0; k < p.map.anchor_count(); ++k) {
    const Rgb c = p.map.anchor_colour(k);
    cairo_pattern_add_color_stop_rgb(gradient, p.map.anchor_position(k), c.r, c.g, c.b);
  }
  cairo_rectangle(cr, bar.x, bar.y, bar.w, bar.h);
  cairo_set_source(cr, gradient);
  cairo_fill(cr);
  cairo_pattern_destroy(gradient);
  frame(cr, bar);

  const auto [lo, hi] = *p.range;
  const Ticks ticks = nice_ticks(lo, hi);
  for (std::size_t k = 0; k < ticks.values.size(); ++k) {
    const double y = std::round(bar.y + bar.h - (ticks.values[k] - lo) / (hi - lo) * bar.h) + 0.5;
    set_colour(cr, kInk);
    cairo_move_to(cr, bar.x + bar.w, y);
    cairo_line_to(cr, bar.x + bar.w + kTickLength, y);
    cairo_stroke(cr);
    draw_label(canvas, label_x, y, ticks.labels[k], "bar");
  }
}

void draw_missing_key(Canvas& canvas, const Picture& p) {
  cairo_t* cr = canvas.cr;
  const Box& key = canvas.layout.missing_key;
  if (key.w == 0) return;
  set_colour(cr, rgb_from_hex(kMissingHex));
  cairo_rectangle(cr, key.x, key.y, key.w, key.h);
  cairo_fill_preserve(cr);
  // Hatching marks the entry as "no value" rather than a value's colour.
  cairo_save(cr);
  cairo_clip(cr);
  set_colour(cr, kInk);
  cairo_set_line_width(cr, 1);
  for (int d = -key.h; d < key.w; d += 4) {
    cairo_move_to(cr, key.x + d, key.y + key.h);
    cairo_line_to(cr, key.x + d + key.h, key.y);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  frame(cr, key);
  draw_label(canvas, key.x + key.w + kKeyTextGap, key.y + key.h / 2.0,
             missing_key_text(missing_count(p)), "missing");
}

std::vector<DrawnText> draw(cairo_t* cr, const Picture& p, const Layout& layout) {
  Canvas canvas{cr, layout, {}};
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  draw_titles(canvas, p);
  if (p.fill) {
    SurfacePtr image = raster_image(p, layout);
    cairo_set_source_surface(cr, image.get(), layout.raster.x, layout.raster.y);
    cairo_rectangle(cr, layout.raster.x, layout.raster.y, layout.raster.w, layout.raster.h);
    cairo_fill(cr);
  }
  draw_overlays(canvas, p);
  draw_graticule(canvas, p);
  frame(cr, layout.raster);
  if (p.fill) {
    draw_colour_bar(canvas, p);
    draw_missing_key(canvas, p);
  }
  draw_wind_key(canvas, p);
  return std::move(canvas.texts);
}

// The texts drawn, as invisible SVG text over the glyphs Cairo drew, so that
// the picture's words can be searched, selected and read back.
void append_svg_texts(std::vector<unsigned char>& svg, const std::vector<DrawnText>& texts) {
  static constexpr std::string_view kEnd = "</svg>";
  const std::string_view whole(reinterpret_cast<const char*>(svg.data()), svg.size());
  const std::size_t end = whole.rfind(kEnd);
  if (end == std::string_view::npos) return;
  std::string insert = "<g fill-opacity=\"0\" font-family=\"sans-serif\">\n";
  for (const DrawnText& t : texts) {
    std::string escaped;
    for (char c : t.text) {
      escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    }
    char position[64];
    std::snprintf(position, sizeof position, "x=\"%.1f\" y=\"%.1f\"", t.x, t.y);
    insert += "<text class=\"" + t.kind + "\" " + position + ">" + escaped + "</text>\n";
  }
  insert += "</g>\n";
  svg.insert(svg.begin() + static_cast<std::ptrdiff_t>(end), insert.begin(), insert.end());
}

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* bytes = static_cast<std::vector<unsigned char>*>(closure);
  bytes->insert(bytes->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

std::string cairo_error(const char* what, cairo_status_t status) {
  return std::string(what) + ": " + cairo_status_to_string(status);
}

}  // namespace

Rendered render_picture(const Picture& picture, ImageFormat format) {
  const Layout layout = layout_picture(picture);
  Rendered out;
  std::vector<DrawnText> texts;
  SurfacePtr surface(
      format == ImageFormat::kPng
          ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width, layout.height)
          : cairo_svg_surface_create_for_stream(append_bytes, &out.bytes, layout.width,
                                                layout.height),
      cairo_surface_destroy);
  if (const auto status = cairo_surface_status(surface.get()); status != CAIRO_STATUS_SUCCESS) {
    out.error = cairo_error("cannot start the picture", status);
    return out;
  }
  {
    ContextPtr cr(cairo_create(surface.get()), cairo_destroy);
    texts = draw(cr.get(), picture, layout);
    if (const auto status = cairo_status(cr.get()); status != CAIRO_STATUS_SUCCESS) {
      out.error = cairo_error("cannot draw the picture", status);
      return out;
    }
  }
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (format == ImageFormat::kPng) {
    status = cairo_surface_write_to_png_stream(surface.get(), append_bytes, &out.bytes);
  } else {
    cairo_surface_finish(surface.get());
    status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_SUCCESS) append_svg_texts(out.bytes, texts);
  }
  if (status != CAIRO_STATUS_SUCCESS) out.error = cairo_error("cannot encode the picture", status);
  return out;
}

}  // namespace plot
