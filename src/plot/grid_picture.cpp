#include "plot/grid_picture.h"

#include <algorithm>

#include "plot/graticule.h"
#include "plot/ticks.h"
#include "proj/projection.h"
#include "strings/concat.h"

namespace plot {

namespace {

// "1991-08-23T12:00Z F012": the forecast part is the time text after its
// "yymmdd/hhmm".
std::string time_text(const std::string& time, const gridfile::YearWindow& window) {
  std::string text = gridfile::iso8601(time, window);
  if (text.empty()) text = time;
  const std::size_t slash = time.find('/');
  if (slash != std::string::npos && time.size() > slash + 5)
    text += strings::concat({" ", time.substr(slash + 5)});
  return text;
}

}  // namespace

std::string title_text(const gridfile::GridId& id, const params::Table* table) {
  std::string title = id.param.empty() ? "(no parameter name)" : id.param;
  const params::Parameter* entry = table ? table->find(id.param) : nullptr;
  if (entry == nullptr) return title;
  if (!entry->long_name.empty()) title += "  " + entry->long_name;
  if (!entry->units.empty()) title += " (" + entry->units + ")";
  return title;
}

std::string when_where_text(const gridfile::GridId& id, const gridfile::YearWindow& window) {
  std::string text;
  if (!id.time1.empty()) text = time_text(id.time1, window);
  if (!id.time2.empty()) text += " and " + time_text(id.time2, window);
  if (!text.empty()) text += "  ";
  text += "level " + std::to_string(id.level1);
  if (id.level2 != -1) text += " to " + std::to_string(id.level2);
  text += strings::concat({" ", gridfile::vcoord_name(id.vcoord)});
  return text;
}

Picture grid_picture(const gridfile::Grid& grid, const gridfile::Navigation& nav,
                     const params::Table* table, const PictureOptions& options) {
  Picture picture;
  picture.nx = grid.info.nx;
  picture.ny = grid.info.ny;
  picture.values = grid.values;
  picture.map = *ColourMap::find(options.map);
  const auto data_range = value_range(picture.values);
  picture.range = options.range ? options.range : data_range;

  picture.title = title_text(grid.info.id, table);
  picture.details.push_back(when_where_text(grid.info.id, options.window));
  std::string about = options.file_label + " grid " + std::to_string(grid.info.number) + ": " +
                      std::to_string(grid.info.nx) + " x " + std::to_string(grid.info.ny) + " " +
                      (nav.projection.empty() ? "(no projection)" : nav.projection);
  if (data_range) {
    // The values themselves, not the widened range of a one-value grid.
    double lo = 0, hi = 0;
    bool any = false;
    for (float v : grid.values) {
      if (shown_as_missing(v)) continue;
      lo = any ? std::min(lo, static_cast<double>(v)) : v;
      hi = any ? std::max(hi, static_cast<double>(v)) : v;
      any = true;
    }
    about += "; values " + value_text(lo) + " to " + value_text(hi);
  } else {
    about += "; no values";
  }
  if (const std::size_t missing = missing_count(picture); missing > 0) {
    about += ", " + std::to_string(missing) + " missing";
  }
  picture.details.push_back(about);

  // The map geometry, where the navigation describes one that fits the grid.
  if (nav.nx == grid.info.nx && nav.ny == grid.info.ny) {
    if (auto projection = mapproj::Projection::from(nav); projection.ok()) {
      picture.cell_aspect = cell_aspect(*projection);
      if (options.latlon_lines) picture.lines = graticule(*projection);
    }
  }
  return picture;
}

}  // namespace plot
