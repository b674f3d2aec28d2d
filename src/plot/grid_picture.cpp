#include "plot/grid_picture.h"

#include <algorithm>
#include <cmath>

#include "plot/contours.h"
#include "plot/graticule.h"
#include "plot/map_lines.h"
#include "plot/shorelines.h"
#include "plot/ticks.h"
#include "plot/wind.h"
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
  if (id.level2) text += " to " + std::to_string(*id.level2);
  text += strings::concat({" ", gridfile::vcoord_name(id.vcoord)});
  return text;
}

namespace {

constexpr int kArrowSpacing = 28;  // pixels between arrows, before text scaling

// The smallest and largest value shown, nullopt when none is.
std::optional<std::pair<double, double>> extent(const std::vector<float>& values) {
  std::optional<std::pair<double, double>> out;
  for (float v : values) {
    if (shown_as_missing(v)) continue;
    if (!out) out = std::pair<double, double>{v, v};
    out->first = std::min(out->first, static_cast<double>(v));
    out->second = std::max(out->second, static_cast<double>(v));
  }
  return out;
}

// A latitude-longitude grid stored north first (row 1 the northernmost) is
// drawn north up: its rows reversed and its corner latitudes swapped.
bool north_first(const gridfile::Navigation& nav) {
  return nav.projection == "CED" && nav.ny > 1 && nav.lat1 > nav.lat2;
}

std::vector<float> rows_reversed(const std::vector<float>& values, int nx, int ny) {
  std::vector<float> out;
  out.reserve(values.size());
  const auto width = static_cast<std::ptrdiff_t>(nx);
  for (int j = ny - 1; j >= 0; --j) {
    const auto row = values.begin() + j * width;
    out.insert(out.end(), row, row + width);
  }
  return out;
}

std::optional<std::pair<double, double>> colour_range(const std::vector<float>& values,
                                                      const PictureOptions& options) {
  if (options.range) return options.range;
  const auto found = extent(values);
  std::optional<double> centre = options.centre;
  if (!centre && options.map == "coolwarm" && found && found->first < 0 && found->second > 0) {
    centre = 0.0;
  }
  if (!centre || !found) return value_range(values);
  const double half = std::max(std::abs(found->first - *centre), std::abs(found->second - *centre));
  if (!(half > 0)) return value_range(values);
  return std::pair{*centre - half, *centre + half};
}

void add_shorelines(Picture& picture, const mapproj::Projection& projection,
                    const PictureOptions& options, std::vector<std::string>* notes) {
  const GridMapper mapper(projection);
  std::string missing, reason;
  for (const Shoreline kind : {Shoreline::kCoast, Shoreline::kBorder}) {
    const bool coast = kind == Shoreline::kCoast;
    if (!(coast ? options.coastlines : options.borders)) continue;
    const Shorelines data = read_shorelines(shoreline_file(options.shoreline_folder, kind), kind);
    if (!data.error.empty()) {
      missing += missing.empty() ? "" : " and ";
      missing += coast ? "coastlines" : "borders";
      if (reason.empty()) reason = data.error;
      continue;
    }
    auto& lines = coast ? picture.coastlines : picture.borders;
    for (const auto& line : data.lines) mapper.add_line(line, lines, 0);
  }
  // One line for both: the same package holds them.
  if (!missing.empty() && notes != nullptr) {
    notes->push_back(missing + " not drawn: " + reason + " (Debian package gmt-gshhg-low)");
  }
}

void add_contours(Picture& picture, const std::vector<float>& values, const PictureOptions& options,
                  std::vector<std::string>* notes) {
  const auto found = extent(values);
  if (!found) return;
  const auto levels = contour_levels(found->first, found->second, options.contour_interval);
  if (!levels) {
    if (notes != nullptr) {
      notes->push_back("contours not drawn: more than " + std::to_string(kMaxContourLevels) +
                       " levels at interval " + value_text(*options.contour_interval));
    }
    return;
  }
  picture.contours = contour_lines(values, picture.nx, picture.ny, *levels);
}

void add_wind(Picture& picture, const WindInput& wind, const Overlays& overlays,
              const mapproj::Projection* projection, bool barbs) {
  // The lattice from the cells' size: a provisional key takes its room.
  picture.wind_key = {1, "", 1, barbs};
  const Layout layout = layout_picture(picture);
  const double cell = std::min(layout.cell_w, layout.cell_h);
  picture.wind_key.lattice =
      std::max(1, static_cast<int>(std::lround(kArrowSpacing * layout.text_scale / cell)));
  picture.arrows = wind_arrows(wind, picture.nx, picture.ny, picture.wind_key.lattice, projection);
  picture.wind_key.speed = barbs ? 10 : key_speed(picture.arrows);
  const std::string units = overlays.wind_units.empty() ? "" : " " + overlays.wind_units;
  picture.wind_key.text =
      barbs ? "line 10" + units + ", pennant 50" : value_text(picture.wind_key.speed) + units;
  if (picture.arrows.empty()) picture.wind_key.speed = 0;
}

std::string about_text(const gridfile::Grid& grid, const gridfile::Navigation& nav,
                       const PictureOptions& options, std::size_t missing) {
  std::string about = options.file_label + " grid " + std::to_string(grid.info.number) + ": " +
                      std::to_string(grid.info.nx) + " x " + std::to_string(grid.info.ny) + " " +
                      (nav.projection.empty() ? "(no projection)" : nav.projection);
  // The values themselves, not the widened range of a one-value grid.
  if (const auto found = extent(grid.values)) {
    about += "; values " + value_text(found->first) + " to " + value_text(found->second);
  } else {
    about += "; no values";
  }
  if (missing > 0) about += ", " + std::to_string(missing) + " missing";
  if (north_first(nav)) about += "; stored north first, drawn north up";
  return about;
}

}  // namespace

// The grids are turned north up first, so that every part below sees rows
// from the south.
Picture grid_picture(const gridfile::Grid& grid, const gridfile::Navigation& stored_nav,
                     const params::Table* table, const PictureOptions& options,
                     const Overlays& overlays, std::vector<std::string>* notes) {
  const bool flip = north_first(stored_nav) && stored_nav.ny == grid.info.ny;
  gridfile::Navigation nav = stored_nav;
  if (flip) std::swap(nav.lat1, nav.lat2);
  auto oriented = [&](const gridfile::Grid* g) {
    return g == nullptr || !flip ? (g ? g->values : std::vector<float>{})
                                 : rows_reversed(g->values, g->info.nx, g->info.ny);
  };
  Picture picture;
  picture.nx = grid.info.nx;
  picture.ny = grid.info.ny;
  picture.values = oriented(&grid);
  picture.map = *ColourMap::find(options.map);
  picture.range = colour_range(picture.values, options);
  picture.fill = options.fill;
  picture.width = options.width;
  picture.height = options.height;
  picture.title = options.title.empty() ? title_text(grid.info.id, table) : options.title;
  picture.details.push_back(when_where_text(grid.info.id, options.window));
  picture.details.push_back(about_text(grid, stored_nav, options, missing_count(picture)));

  // The map geometry, where the navigation describes one that fits the grid.
  std::optional<mapproj::Projection> projection;
  if (nav.nx == grid.info.nx && nav.ny == grid.info.ny) {
    if (auto made = mapproj::Projection::from(nav); made.ok()) projection.emplace(std::move(*made));
  }
  if (projection) {
    picture.cell_aspect = cell_aspect(*projection);
    if (options.latlon_lines) picture.lines = graticule(*projection);
    if (!options.shoreline_folder.empty()) add_shorelines(picture, *projection, options, notes);
  }
  if (options.contours) {
    add_contours(picture, overlays.contour ? oriented(overlays.contour) : picture.values, options,
                 notes);
  }
  if (overlays.u != nullptr && overlays.v != nullptr) {
    const std::vector<float> u = oriented(overlays.u);
    std::vector<float> v = oriented(overlays.v);
    if (flip && !overlays.earth_relative) {
      // Along the stored rows, which ran south: now they run north.
      for (float& x : v) x = shown_as_missing(x) ? x : -x;
    }
    add_wind(picture, {&u, &v, overlays.earth_relative}, overlays,
             projection ? &*projection : nullptr, options.barbs);
  }
  return picture;
}

}  // namespace plot
