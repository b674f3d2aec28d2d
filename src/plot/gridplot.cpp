#include "plot/gridplot.h"

#include <algorithm>
#include <cmath>
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

namespace gridplot {

namespace {

constexpr std::string_view kFooter = R"(
The grid is drawn cell by cell, north up; missing points are grey. Choose the
grid by number or by --param, --time, --level and --vcoord: exactly one grid
must fit. The picture is PNG, or SVG with --svg or an OUT ending in ".svg".

Exit status: 0 picture written; 1 the file cannot be read, no grid or several
grids fit, or OUT cannot be written; 2 a misuse of the command line.

Example:
  gridplot example.grd --param TMPK --level 850 --time 910823/1200 -o tmpk.png)";

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
  std::optional<std::pair<double, double>> range;
  std::string map = "viridis";
  bool svg = false, latlon_lines = true;
  timewin::YearWindow window;  // --first-year, T2G_FIRST_YEAR
};

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
  plot::PictureOptions options;
  options.range = o.range;
  options.map = o.map;
  options.latlon_lines = o.latlon_lines;
  options.file_label = o.path;
  options.window = o.window;
  const plot::Picture picture =
      plot::grid_picture(*grid, file->navigation(), table ? &*table : nullptr, options);
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

}  // namespace

int run(std::span<const std::string> args, const Setup& setup) {
  CLI::App app{"gridplot: a picture of one grid of a grid file (PNG or SVG)", "gridplot"};
  app.footer(std::string(kFooter));
  Options o;
  std::optional<int> number;
  std::optional<std::string> param, time, vcoord;
  std::optional<int> level;
  std::vector<double> range;
  app.add_option("FILE", o.path, "the grid file")->required();
  app.add_option("GRID", number, "grid number, from 1")->check(CLI::PositiveNumber);
  app.add_option("-o,--output", o.output, "the picture file to write (replaced if it exists)")
      ->required();
  app.add_flag("--svg", o.svg, "write SVG instead of PNG");
  app.add_option("--param", param, "parameter name, e.g. TMPK (any case)");
  std::optional<std::string> first_year;
  app.add_option("--time", time, "grid time: " + std::string(cli::kTimeHelp));
  app.add_option("--level", level, "level, e.g. 850");
  app.add_option("--vcoord", vcoord, "vertical coordinate: NONE, PRES, THTA, HGHT, SGMA or a code");
  app.add_option("--range", range, "fixed colour range MIN MAX (values outside take the ends)")
      ->expected(2);
  app.add_option("--cmap", o.map,
                 "colour map: " + join(plot::ColourMap::names()) + " (default viridis)");
  bool no_lines = false;
  app.add_flag("--no-latlon", no_lines, "leave out the latitude and longitude lines");
  cli::add_first_year(app, first_year);

  auto misuse = [](std::string text) {
    return cli::finish(cli::Parsed::misuse(std::move(text)), "gridplot", kExitOk, kExitUsage);
  };
  if (const cli::Parsed parsed = cli::parse(app, args); !parsed.run()) {
    return cli::finish(parsed, "gridplot", kExitOk, kExitUsage);
  }

  o.selection.number = number;
  o.selection.param = param;
  if (const cli::Parsed p = cli::year_window(first_year, o.window); !p.run()) {
    return cli::finish(p, "gridplot", kExitOk, kExitUsage);
  }
  if (time) {
    if (const cli::Parsed p = cli::time_query(*time, o.window, o.selection.time); !p.run()) {
      return cli::finish(p, "gridplot", kExitOk, kExitUsage);
    }
  }
  o.selection.level = level;
  if (vcoord) {
    o.selection.vcoord = plot::parse_vcoord(*vcoord);
    if (!o.selection.vcoord) return misuse("--vcoord " + *vcoord + ": not a vertical coordinate");
  }
  if (!range.empty()) {
    if (!std::isfinite(range[0]) || !std::isfinite(range[1]) || !(range[0] < range[1])) {
      return misuse("--range needs MIN below MAX");
    }
    o.range = std::pair{range[0], range[1]};
  }
  if (const auto map = plot::ColourMap::find(o.map)) {
    o.map = map->name();
  } else {
    return misuse("--cmap " + o.map + ": no such colour map (" + join(plot::ColourMap::names()) +
                  ")");
  }
  o.latlon_lines = !no_lines;
  return draw(o, setup);
}

}  // namespace gridplot
