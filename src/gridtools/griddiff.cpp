// griddiff's command line, and the reading of both files into a DiffReport.
#include "gridtools/griddiff.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "cli/command_line.h"
#include "cli/time_options.h"
#include "gridfile/gridfile.h"
#include "gridfile/selection.h"
#include "gridtools/diff_report.h"
#include "gridtools/messages.h"
#include "platform/platform.h"

namespace griddiff {
namespace {

struct Options {
  std::string a, b;
  gridtools::Tolerance tolerance;
  bool quiet = false;
  bool json = false;
  timewin::YearWindow window;                   // --first-year, T2G_FIRST_YEAR
  std::optional<gridfile::TimeSelection> time;  // --time: only the grids of that time
};

void error_line(std::string_view path, std::string_view text) {
  platform::write_error_line("griddiff: " + std::string(path) + ": " + std::string(text));
}

std::optional<gridfile::GridFile> open_file(const std::string& path) {
  gridfile::Result<gridfile::GridFile> file = gridfile::GridFile::open(path);
  if (!file) {
    error_line(path, gridtools::open_failure_text(path, file.error()));
    return std::nullopt;
  }
  return std::move(file).value();
}

// The grids of a file, only those of the --time when it is given.
std::optional<std::vector<gridfile::GridInfo>> list_grids(const gridfile::GridFile& file,
                                                          const std::string& path,
                                                          const Options& o) {
  gridfile::Result<std::vector<gridfile::GridInfo>> grids = file.grids();
  if (!grids) {
    error_line(path, grids.error().text);
    return std::nullopt;
  }
  if (o.time) {
    std::erase_if(*grids, [&o](const gridfile::GridInfo& g) {
      return !o.time->matches(g.id.time1) && !o.time->matches(g.id.time2);
    });
  }
  return std::move(grids).value();
}

std::optional<gridfile::Grid> read_grid(const gridfile::GridFile& file, const std::string& path,
                                        int number) {
  gridfile::Result<gridfile::Grid> grid = file.read(number);
  if (!grid) {
    error_line(path, "grid " + std::to_string(number) + " cannot be read: " + grid.error().text);
    return std::nullopt;
  }
  return std::move(grid).value();
}

// The whole comparison; nullopt after trouble (already reported).
std::optional<gridtools::DiffReport> compare_files(const Options& o) {
  const std::optional<gridfile::GridFile> fa = open_file(o.a);
  const std::optional<gridfile::GridFile> fb = open_file(o.b);
  if (!fa || !fb) return std::nullopt;
  const auto ga = list_grids(*fa, o.a, o);
  const auto gb = list_grids(*fb, o.b, o);
  if (!ga || !gb) return std::nullopt;
  gridtools::DiffReport r;
  r.path_a = o.a;
  r.path_b = o.b;
  r.tolerance = o.tolerance;
  r.window = o.window;
  r.navigation = gridtools::navigation_differences(fa->navigation(), fb->navigation());
  gridtools::Matching m = gridtools::match_grids(*ga, *gb);
  r.only_a = std::move(m.only_a);
  r.only_b = std::move(m.only_b);
  for (auto& [a, b] : m.pairs) {
    gridtools::PairReport p{a, b, std::nullopt, gridtools::packing_step(a, b)};
    const std::optional<gridfile::Grid> va = read_grid(*fa, o.a, a.number);
    const std::optional<gridfile::Grid> vb = read_grid(*fb, o.b, b.number);
    if (!va || !vb) return std::nullopt;
    if (va->info.nx == vb->info.nx && va->info.ny == vb->info.ny) {
      p.comparison = gridtools::compare_values(va->values, vb->values, va->info.nx, o.tolerance);
    }
    r.pairs.push_back(std::move(p));
  }
  return r;
}

cli::Parsed parse(std::span<const std::string> args, Options& o) {
  CLI::App app{
      "griddiff: compare two grid files grid by grid (paired by identifier).\n"
      "Exit status: 0 equal within the tolerances, 1 different, 2 trouble.",
      "griddiff"};
  app.add_option("A", o.a, "first grid file")->required();
  app.add_option("B", o.b, "second grid file")->required();
  app.add_option("--abs", o.tolerance.abs, "values within this absolute difference count as equal")
      ->check(CLI::NonNegativeNumber)
      ->type_name("X");
  app.add_option("--rel", o.tolerance.rel,
                 "values within this difference relative to the larger magnitude count as equal")
      ->check(CLI::NonNegativeNumber)
      ->type_name("Y");
  auto* quiet = app.add_flag("--quiet,-q", o.quiet, "print nothing; only the exit status tells");
  app.add_flag("--json", o.json, "the report as one JSON document")->excludes(quiet);
  std::optional<std::string> time_text, first_year;
  app.add_option("--time", time_text,
                 "compare only the grids of this time: " + std::string(cli::kTimeHelp));
  cli::add_first_year(app, first_year);
  if (cli::Parsed p = cli::parse(app, args); !p.run()) return p;
  if (cli::Parsed p = cli::year_window(first_year, o.window); !p.run()) return p;
  if (time_text) return cli::time_query(*time_text, o.window, o.time);
  return {};
}

}  // namespace

int run(std::span<const std::string> args) {
  Options o;
  if (const cli::Parsed parsed = parse(args, o); !parsed.run()) {
    return cli::finish(parsed, "griddiff", kExitEqual, kExitTrouble);
  }
  const gridtools::LibraryMessagesInErrors messages;
  const std::optional<gridtools::DiffReport> r = compare_files(o);
  if (!r) return kExitTrouble;
  if (o.json) {
    platform::write_line(gridtools::diff_json(*r));
  } else if (!o.quiet) {
    for (const std::string& line : gridtools::diff_text(*r)) platform::write_line(line);
  }
  return r->equal() ? kExitEqual : kExitDifferent;
}

}  // namespace griddiff
