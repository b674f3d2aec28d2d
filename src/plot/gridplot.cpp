#include "plot/gridplot.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/time_options.h"
#include "gridfile/gridfile.h"
#include "params/params.h"
#include "platform/platform.h"
#include "plot/colour_map.h"
#include "plot/grid_picture.h"
#include "plot/render.h"
#include "plot/selection.h"
#include "plot/wind_names.h"

namespace gridplot {

namespace {

constexpr std::string_view kFooter = R"(
The grid is drawn cell by cell, north up; missing points are grey. Choose the
grid by number or by --param, --time, --level and --vcoord: exactly one grid
must fit. The picture is PNG, or SVG with --svg or an OUT ending in ".svg".
Coastlines and borders come from the Debian package gmt-gshhg-low; without it
the picture has none and a note says so. Contours and wind are read from grids
of the same time and level as the one drawn.

Exit status: 0 picture written; 1 the file cannot be read, no grid or several
grids fit, or OUT cannot be written; 2 a misuse of the command line.

Examples:
  gridplot example.grd --param TMPK --level 850 --time 910823/1200 -o tmpk.png
  gridplot example.grd --param PMSL --contour --fill none -o pmsl.png
  gridplot example.grd --param TMPK --level 850 --contour HGHT --wind -o chart.png)";

void error_line(const std::string& text) {
  platform::write_error_line("gridplot: " + text);
}

bool ends_with_svg(std::string_view path) {
  if (path.size() < 4) return false;
  std::string tail(path.substr(path.size() - 4));
  std::ranges::transform(tail, tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == ".svg";
}

std::string join(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : ", ") + w;
  return out;
}

std::optional<params::Table> load_table(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::string error;
  auto table = params::Table::load(path, error);
  if (!table) error_line("parameter table not used (" + error + "); no units shown");
  return table;
}

struct Options {
  std::string path, output;
  plot::Selection selection;
  plot::PictureOptions picture;
  bool svg = false;
  std::optional<std::string> contour_param;  // contours of another grid
  bool wind = false;
  std::optional<plot::WindNames> wind_names;  // nullopt: the table's pairs
};

// The grid of parameter `param` at the time and level of `like`.
gridfile::Result<gridfile::Grid> companion(const gridfile::GridFile& file,
                                           const gridfile::GridId& like, const std::string& param) {
  gridfile::GridId id = like;
  id.param = param;
  std::ranges::transform(id.param, id.param.begin(),
                         [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  auto grid = file.read(id);
  if (grid && (grid->info.nx != file.navigation().nx || grid->info.ny != file.navigation().ny)) {
    return base::Error(base::Source::kTool, kExitBadFile,
                       id.text() + " is not the size of the grid drawn");
  }
  return grid;
}

// The wind components the options ask for, or an exit status after a message.
std::variant<std::pair<gridfile::Grid, gridfile::Grid>, int> read_wind(
    const gridfile::GridFile& file, const gridfile::GridId& like, const Options& o,
    const params::Table* table, plot::Overlays& overlays) {
  const auto pairs =
      o.wind_names ? std::vector<plot::WindNames>{*o.wind_names} : plot::default_wind_names(table);
  std::string tried;
  for (const plot::WindNames& names : pairs) {
    auto u = companion(file, like, names.u);
    auto v = companion(file, like, names.v);
    if (u && v) {
      overlays.earth_relative = plot::earth_relative(names.u, table);
      const params::Parameter* entry = table ? table->find(names.u) : nullptr;
      overlays.wind_units = entry ? entry->units : "";
      return std::pair{std::move(*u), std::move(*v)};
    }
    tried += (tried.empty() ? "" : "; ") + names.u + "," + names.v;
  }
  error_line(o.path + ": no wind at the time and level of " + like.text() + " (tried " +
             (tried.empty() ? "no pair: the parameter table names none" : tried) + ")");
  return kExitBadFile;
}

// The one grid the selection fits, or an exit status after a message.
std::variant<gridfile::GridInfo, int> choose_grid(const gridfile::GridFile& file,
                                                  const Options& o) {
  auto grids = file.grids();
  if (!grids) {
    error_line(o.path + ": " + grids.error().text);
    return kExitBadFile;
  }
  if (o.selection.number && (*o.selection.number > static_cast<int>(grids->size()))) {
    error_line(o.path + ": no grid " + std::to_string(*o.selection.number) + " (the file has " +
               std::to_string(grids->size()) + " grids, numbered from 1)");
    return kExitBadFile;
  }
  const auto fits = plot::select_grids(*grids, o.selection);
  if (fits.size() == 1) return fits.front();
  if (fits.empty()) {
    error_line(o.path + ": no grid fits " + o.selection.text() + " (" +
               std::to_string(grids->size()) + " grids in the file)");
    return kExitBadFile;
  }
  error_line(o.path + ": " + std::to_string(fits.size()) + " grids fit " + o.selection.text() +
             "; choose one by number or with --param, --time, --level, --vcoord:");
  for (const auto& g : fits) {
    platform::write_error_line("  " + std::to_string(g.number) + "  " + g.id.text());
  }
  return kExitBadFile;
}

// The grids drawn over the chosen one, kept while the picture is made.
struct Companions {
  std::optional<gridfile::Grid> contour;
  std::optional<std::pair<gridfile::Grid, gridfile::Grid>> wind;
};

// Reads the grids --contour PARAM and --wind need; an exit status.
int read_companions(const gridfile::GridFile& file, const gridfile::GridId& like, const Options& o,
                    const params::Table* table, Companions& companions, plot::Overlays& overlays) {
  if (o.contour_param) {
    auto read = companion(file, like, *o.contour_param);
    if (!read) {
      error_line(o.path + ": contours of " + *o.contour_param + ": " + read.error().text);
      return kExitBadFile;
    }
    companions.contour = std::move(*read);
    overlays.contour = &*companions.contour;
  }
  if (o.wind) {
    auto read = read_wind(file, like, o, table, overlays);
    if (std::holds_alternative<int>(read)) return std::get<int>(read);
    companions.wind = std::move(std::get<0>(read));
    overlays.u = &companions.wind->first;
    overlays.v = &companions.wind->second;
  }
  return kExitOk;
}

int draw(const Options& o, const Setup& setup) {
  // The library's numbered messages are diagnostics: standard error.
  gridfile::set_message_sink([](std::string_view line) { platform::write_error_line(line); });
  auto file = gridfile::GridFile::open(o.path);
  if (!file) {
    error_line(o.path + ": " + file.error().text);
    return kExitBadFile;
  }
  const auto chosen = choose_grid(*file, o);
  if (std::holds_alternative<int>(chosen)) return std::get<int>(chosen);
  const int number = std::get<gridfile::GridInfo>(chosen).number;
  auto grid = file->read(number);
  if (!grid) {
    error_line(o.path + ": grid " + std::to_string(number) + ": " + grid.error().text);
    return kExitBadFile;
  }
  if (grid->info.nx < 1 || grid->info.ny < 1 ||
      grid->values.size() !=
          static_cast<std::size_t>(grid->info.nx) * static_cast<std::size_t>(grid->info.ny)) {
    error_line(o.path + ": grid " + std::to_string(number) + " has no points to draw");
    return kExitBadFile;
  }

  const std::optional<params::Table> table = load_table(setup.table_path);
  const params::Table* known = table ? &*table : nullptr;
  plot::Overlays overlays;
  Companions companions;
  if (const int status = read_companions(*file, grid->info.id, o, known, companions, overlays);
      status != kExitOk) {
    return status;
  }
  plot::PictureOptions options = o.picture;
  options.file_label = o.path;
  options.shoreline_folder = setup.shoreline_folder;
  std::vector<std::string> notes;
  const plot::Picture picture =
      plot::grid_picture(*grid, file->navigation(), known, options, overlays, &notes);
  for (const std::string& note : notes) error_line("note: " + note);
  const bool svg = o.svg || ends_with_svg(o.output);
  const plot::Rendered image =
      plot::render_picture(picture, svg ? plot::ImageFormat::kSvg : plot::ImageFormat::kPng);
  if (!image.ok()) {
    error_line(o.output + ": " + image.error);
    return kExitBadFile;
  }
  if (const int status = platform::write_whole_file(o.output, image.bytes);
      status != platform::kOk) {
    error_line("cannot write " + o.output + ": " + platform::status_text(status));
    return kExitBadFile;
  }
  return kExitOk;
}

// The command line's words before they are checked.
struct Words {
  std::optional<int> number, level;
  std::optional<std::string> param, time, vcoord, size, fill, interval, centre;
  std::optional<std::string> first_year;
  std::vector<double> range;
  std::vector<std::string> contour, wind;
  bool no_lines = false, no_coast = false, no_borders = false;
};

void add_options(CLI::App& app, Options& o, Words& w) {
  app.add_option("FILE", o.path, "the grid file")->required();
  app.add_option("GRID", w.number, "grid number, from 1")->check(CLI::PositiveNumber);
  app.add_option("-o,--output", o.output, "the picture file to write (replaced if it exists)")
      ->required();
  app.add_flag("--svg", o.svg, "write SVG instead of PNG");
  app.add_option("--param", w.param, "parameter name, e.g. TMPK (any case)");
  app.add_option("--time", w.time, "grid time: " + std::string(cli::kTimeHelp));
  app.add_option("--level", w.level, "level, e.g. 850");
  app.add_option("--vcoord", w.vcoord,
                 "vertical coordinate: NONE, PRES, THTA, HGHT, SGMA or a code");
  app.add_option("--range", w.range, "fixed colour range MIN MAX (values outside take the ends)")
      ->expected(2);
  app.add_option("--centre", w.centre,
                 "centre the colour range on this value (default 0 for coolwarm when the values "
                 "have both signs)");
  app.add_option("--cmap", o.picture.map,
                 "colour map: " + join(plot::ColourMap::names()) + " (default viridis)");
  app.add_option("--fill", w.fill, "cells (default) or none: no colours, for contours alone");
  app.add_option("--contour", w.contour,
                 "draw contours of the grid, or of parameter PARAM at the same time and level")
      ->expected(0, 1);
  app.add_option("--contour-interval", w.interval,
                 "contour every X (default: about ten round levels)");
  app.add_option("--wind", w.wind,
                 "wind arrows from parameters U,V at the same time and level (default: the "
                 "parameter table's pairs, e.g. UREL,VREL)")
      ->expected(0, 1);
  app.add_flag("--barbs", o.picture.barbs, "wind barbs instead of arrows (with --wind)");
  app.add_flag("--no-coastlines", w.no_coast, "leave out the coastlines");
  app.add_flag("--no-borders", w.no_borders, "leave out the country borders");
  app.add_flag("--no-latlon", w.no_lines, "leave out the latitude and longitude lines");
  app.add_option("--size", w.size, "the picture's size WxH in pixels, e.g. 1200x900");
  app.add_option("--title", o.picture.title, "the title instead of the parameter's name");
  cli::add_first_year(app, w.first_year);
}

std::optional<double> finite_number(const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// Checks the words into the options; the misuse's text when one is wrong.
std::optional<std::string> take_words(const Words& w, Options& o, bool contour_given,
                                      bool wind_given) {
  o.selection.number = w.number;
  o.selection.param = w.param;
  o.selection.level = w.level;
  if (w.vcoord) {
    o.selection.vcoord = plot::parse_vcoord(*w.vcoord);
    if (!o.selection.vcoord) return "--vcoord " + *w.vcoord + ": not a vertical coordinate";
  }
  plot::PictureOptions& p = o.picture;
  if (!w.range.empty()) {
    if (!std::isfinite(w.range[0]) || !std::isfinite(w.range[1]) || !(w.range[0] < w.range[1])) {
      return "--range needs MIN below MAX";
    }
    p.range = std::pair{w.range[0], w.range[1]};
  }
  if (w.centre && !(p.centre = finite_number(*w.centre))) return "--centre needs a number";
  if (const auto map = plot::ColourMap::find(p.map)) {
    p.map = map->name();
  } else {
    return "--cmap " + p.map + ": no such colour map (" + join(plot::ColourMap::names()) + ")";
  }
  if (w.fill && *w.fill != "none" && *w.fill != "cells") return "--fill is cells or none";
  p.fill = !(w.fill && *w.fill == "none");
  if (w.interval) {
    p.contour_interval = finite_number(*w.interval);
    if (!p.contour_interval || !(*p.contour_interval > 0)) {
      return "--contour-interval needs a number above 0";
    }
  }
  // Contours alone need no --contour; an interval asks for them too.
  p.contours = contour_given || !p.fill || w.interval;
  if (!w.contour.empty() && !w.contour[0].empty()) o.contour_param = w.contour[0];
  o.wind = wind_given;
  if (!w.wind.empty() && !w.wind[0].empty()) {
    o.wind_names = plot::parse_wind_names(w.wind[0]);
    if (!o.wind_names) return "--wind needs two parameter names U,V";
  }
  if (o.picture.barbs && !o.wind) return "--barbs goes with --wind";
  if (w.size) {
    int width = 0, height = 0;
    char tail = 0;
    if (std::sscanf(w.size->c_str(), "%dx%d%c", &width, &height, &tail) != 2 || width < 64 ||
        height < 64 || width > 20000 || height > 20000) {
      return "--size needs WxH in pixels, each 64 to 20000";
    }
    p.width = width;
    p.height = height;
  }
  p.latlon_lines = !w.no_lines;
  p.coastlines = !w.no_coast;
  p.borders = !w.no_borders;
  return std::nullopt;
}

}  // namespace

int run(std::span<const std::string> args, const Setup& setup) {
  CLI::App app{"gridplot: a picture of one grid of a grid file (PNG or SVG)", "gridplot"};
  app.footer(std::string(kFooter));
  Options o;
  Words w;
  add_options(app, o, w);
  if (const cli::Parsed parsed = cli::parse(app, args); !parsed.run()) {
    return cli::finish(parsed, "gridplot", kExitOk, kExitUsage);
  }
  if (const auto wrong = take_words(w, o, app.count("--contour") > 0, app.count("--wind") > 0)) {
    return cli::finish(cli::Parsed::misuse(*wrong), "gridplot", kExitOk, kExitUsage);
  }
  if (const cli::Parsed p = cli::year_window(w.first_year, o.picture.window); !p.run()) {
    return cli::finish(p, "gridplot", kExitOk, kExitUsage);
  }
  if (w.time) {
    if (const cli::Parsed p = cli::time_query(*w.time, o.picture.window, o.selection.time);
        !p.run()) {
      return cli::finish(p, "gridplot", kExitOk, kExitUsage);
    }
  }
  return draw(o, setup);
}

}  // namespace gridplot
