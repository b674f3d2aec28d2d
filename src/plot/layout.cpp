// Where the parts of a picture go (see picture.h).
#include "plot/picture.h"

#include <algorithm>
#include <cmath>

#include "plot/style.h"
#include "plot/ticks.h"

namespace plot {

using namespace style;

bool shown_as_missing(float value) {
  // The format's missing value, with the tolerance its readers use.
  return !std::isfinite(value) || std::abs(value + 9999.0f) < 0.1f;
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

Layout layout_picture(const Picture& picture) {
  Layout layout;
  // Cells: as large as the raster limits allow, at least one pixel, the
  // ground aspect kept as nearly as whole pixels can.
  const double aspect = picture.cell_aspect > 0 ? picture.cell_aspect : 1.0;
  const double fit = std::min(picture.max_raster_height / static_cast<double>(picture.ny),
                              picture.max_raster_width / (picture.nx * aspect));
  layout.cell_h = std::max(1, static_cast<int>(std::floor(fit)));
  layout.cell_w = std::max(1, static_cast<int>(std::lround(layout.cell_h * aspect)));

  const bool lines = !picture.lines.empty();
  int top = kMargin + line_height(TextRole::kTitle) +
            line_height(TextRole::kDetail) * static_cast<int>(picture.details.size()) + kTitleGap;
  layout.raster = {kMargin + (lines ? kLatLabelRoom : 0), top, picture.nx * layout.cell_w,
                   picture.ny * layout.cell_h};

  layout.bar = {layout.raster.x + layout.raster.w + kBarGap, top, kBarWidth,
                std::max(layout.raster.h, kBarMinHeight)};
  double label_width = 0;
  if (picture.range) {
    for (const std::string& label :
         nice_ticks(picture.range->first, picture.range->second).labels) {
      label_width = std::max(label_width, text_width(TextRole::kLabel, label));
    }
  } else {
    label_width = text_width(TextRole::kLabel, "no values");
  }
  int right = layout.bar.x + layout.bar.w + kTickLength + kLabelGap +
              static_cast<int>(std::ceil(label_width));
  int bottom = std::max(layout.raster.y + layout.raster.h + (lines ? kLonLabelRoom : 0),
                        layout.bar.y + layout.bar.h);

  const std::size_t missing = missing_count(picture);
  if (missing > 0) {
    layout.missing_key = {layout.bar.x, layout.bar.y + layout.bar.h + kKeyGap, kKeyWidth,
                          kKeyHeight};
    const std::string text = missing_key_text(missing);
    right = std::max(right, layout.missing_key.x + kKeyWidth + kKeyTextGap +
                                static_cast<int>(std::ceil(text_width(TextRole::kLabel, text))));
    bottom = std::max(bottom, layout.missing_key.y + kKeyHeight);
  }

  double text_right = kMargin + text_width(TextRole::kTitle, picture.title);
  for (const std::string& line : picture.details) {
    text_right = std::max(text_right, kMargin + text_width(TextRole::kDetail, line));
  }
  layout.width = std::max(right, static_cast<int>(std::ceil(text_right))) + kMargin;
  layout.height = bottom + kMargin;
  return layout;
}

}  // namespace plot
