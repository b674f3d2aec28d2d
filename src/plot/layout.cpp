// Where the parts of a picture go (see picture.h).
#include "plot/picture.h"

#include <algorithm>
#include <cmath>

#include "gridfile/gridfile.h"
#include "plot/style.h"
#include "plot/ticks.h"

namespace plot {

using namespace style;

bool shown_as_missing(float value) {
  return !std::isfinite(value) || gridfile::is_missing(value);
}

std::size_t missing_count(const Picture& picture) {
  return static_cast<std::size_t>(std::ranges::count_if(picture.values, shown_as_missing));
}

std::optional<std::pair<double, double>> value_range(const std::vector<float>& values) {
  bool any = false;
  double lo = 0, hi = 0;
  for (float v : values) {
    if (shown_as_missing(v)) continue;
    if (!any) {
      lo = hi = v;
      any = true;
    }
    lo = std::min(lo, static_cast<double>(v));
    hi = std::max(hi, static_cast<double>(v));
  }
  if (!any) return std::nullopt;
  if (lo == hi) {
    const double half = std::max(std::abs(lo) * 0.01, 0.5);
    lo -= half;
    hi += half;
  }
  return std::pair{lo, hi};
}

namespace {

// The column right of the raster: colour bar, missing key, wind key; returns
// the rightmost pixel they take.
int place_column(const Picture& picture, Layout& layout, int side_room) {
  const double s = layout.text_scale;
  const int column_x = layout.raster.x + layout.raster.w + side_room + kBarGap;
  int right = layout.raster.x + layout.raster.w + side_room;
  int column_y = layout.raster.y;
  if (picture.fill) {
    layout.bar = {column_x, column_y, scaled(kBarWidth, s),
                  std::max(layout.raster.h, kBarMinHeight)};
    double label_width = 0;
    if (picture.range) {
      for (const std::string& label :
           nice_ticks(picture.range->first, picture.range->second).labels) {
        label_width = std::max(label_width, text_width(TextRole::kLabel, label, s));
      }
    } else {
      label_width = text_width(TextRole::kLabel, "no values", s);
    }
    right = std::max(right, layout.bar.x + layout.bar.w + kTickLength + kLabelGap +
                                static_cast<int>(std::ceil(label_width)));
    column_y = layout.bar.y + layout.bar.h;
    if (const std::size_t missing = missing_count(picture); missing > 0) {
      layout.missing_key = {column_x, column_y + kKeyGap, scaled(kKeyWidth, s),
                            scaled(kKeyHeight, s)};
      const double text = text_width(TextRole::kLabel, missing_key_text(missing), s);
      right = std::max(right, layout.missing_key.x + layout.missing_key.w + kKeyTextGap +
                                  static_cast<int>(std::ceil(text)));
      column_y = layout.missing_key.y + layout.missing_key.h;
    }
  }
  if (picture.wind_key.speed > 0) {
    // The key arrow is as long as the lattice spacing (see render_overlays.cpp).
    const int arrow = static_cast<int>(
        std::ceil(0.9 * picture.wind_key.lattice * std::min(layout.cell_w, layout.cell_h)));
    const double text = text_width(TextRole::kLabel, picture.wind_key.text, s);
    layout.wind_key = {column_x, column_y + kKeyGap,
                       std::max(arrow, static_cast<int>(std::ceil(text))),
                       scaled(kWindKeyHeight, s)};
    right = std::max(right, layout.wind_key.x + layout.wind_key.w);
  }
  return right;
}

// The layout with the raster no larger than max_w x max_h pixels.
Layout layout_within(const Picture& picture, int max_w, int max_h) {
  Layout layout;
  // Cells: as large as the raster limits allow, at least one pixel, the
  // ground aspect kept as nearly as whole pixels can.
  const double aspect = picture.cell_aspect > 0 ? picture.cell_aspect : 1.0;
  const double fit =
      std::min(max_h / static_cast<double>(picture.ny), max_w / (picture.nx * aspect));
  layout.cell_h = std::max(1, static_cast<int>(std::floor(fit)));
  layout.cell_w = std::max(1, static_cast<int>(std::lround(layout.cell_h * aspect)));
  const int raster_w = picture.nx * layout.cell_w, raster_h = picture.ny * layout.cell_h;
  const double s = layout.text_scale = text_scale_for(raster_w, raster_h);

  const bool lines = !picture.lines.empty();
  const int side_room = lines ? scaled(kLatLabelRoom, s) : 0;
  const int edge_room = lines ? scaled(kLonLabelRoom, s) : 0;
  const int top = kMargin + line_height(TextRole::kTitle, s) +
                  line_height(TextRole::kDetail, s) * static_cast<int>(picture.details.size()) +
                  kTitleGap;
  layout.raster = {kMargin + side_room, top + edge_room, raster_w, raster_h};

  const int right = place_column(picture, layout, side_room);
  const int bottom =
      std::max(layout.raster.y + layout.raster.h + edge_room,
               std::max({layout.bar.y + layout.bar.h, layout.missing_key.y + layout.missing_key.h,
                         layout.wind_key.y + layout.wind_key.h}));

  double text_right = kMargin + text_width(TextRole::kTitle, picture.title, s);
  for (const std::string& line : picture.details) {
    text_right = std::max(text_right, kMargin + text_width(TextRole::kDetail, line, s));
  }
  layout.width = std::max(right, static_cast<int>(std::ceil(text_right))) + kMargin;
  layout.height = bottom + kMargin;
  return layout;
}

}  // namespace

Layout layout_picture(const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) {
    return layout_within(picture, picture.max_raster_width, picture.max_raster_height);
  }
  // A page of a given size: the raster takes what the other parts leave,
  // found in a few rounds since the text grows with the raster.
  int max_w = picture.width, max_h = picture.height;
  Layout layout = layout_within(picture, max_w, max_h);
  for (int round = 0; round < 4 && (layout.width > picture.width || layout.height > picture.height);
       ++round) {
    max_w = std::max(1, max_w - (layout.width - picture.width));
    max_h = std::max(1, max_h - (layout.height - picture.height));
    layout = layout_within(picture, max_w, max_h);
  }
  // Centred across the page under the title (room left over falls to the
  // bottom), or the page grown where one pixel a cell needs more.
  const int dx = std::max(0, (picture.width - layout.width) / 2);
  for (Box* box : {&layout.raster, &layout.bar, &layout.missing_key, &layout.wind_key}) {
    box->x += dx;
  }
  layout.width = std::max(layout.width, picture.width);
  layout.height = std::max(layout.height, picture.height);
  return layout;
}

}  // namespace plot
