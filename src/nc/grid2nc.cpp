// grid2nc: exports the grids of a grid file, chosen by the options, to a
// netCDF-CF file written beside its name and moved into place when whole;
// the dataset itself is written by export_dataset.cpp.
#include "nc/grid2nc.h"

#include <algorithm>
#include <cerrno>

#include "cli/command_line.h"
#include "cli/time_options.h"
#include "nc/export_dataset.h"
#include "nc/export_plan.h"
#include "nc/ncfile.h"
#include "params/params.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "proj/projection.h"

namespace nc {
namespace {

void say(const std::string& line) {
  platform::write_line(line);
}
void complain(const std::string& line) {
  platform::write_error_line("grid2nc: " + line);
}

bool selected(const gridfile::GridInfo& g, const ExportOptions& o) {
  auto in = [](const auto& list, const auto& value) {
    return list.empty() || std::find(list.begin(), list.end(), value) != list.end();
  };
  std::vector<std::string> params;
  for (const std::string& p : o.params) {
    std::string up = p;
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    params.push_back(up);
  }
  const bool time_fits =
      o.times.empty() || std::any_of(o.times.begin(), o.times.end(),
                                     [&g](const auto& q) { return q.matches(g.id.time1); });
  if (o.time_range) {
    const std::optional<GridTimeMinutes> m = grid_time_minutes(g.id.time1, o.window);
    if (!m || !o.time_range->contains(m->valid)) return false;
  }
  return in(o.grids, g.number) && in(params, g.id.param) && time_fits && in(o.levels, g.id.level1);
}

// What the export holds: the file, then one line a variable.
void report_export(const ExportOptions& o, std::size_t grids, const ExportPlan& plan,
                   const mapproj::Projection& proj) {
  say(o.nc_path + ": " + std::to_string(grids) + " grids in " +
      std::to_string(plan.variables.size()) + " variables, " +
      (o.classic ? std::string("classic 64-bit offset format")
                 : "netCDF-4" + (o.deflate > 0 ? ", deflate level " + std::to_string(o.deflate)
                                               : std::string(", not compressed"))));
  for (const VariablePlan& v : plan.variables) {
    std::string dims = v.timed ? "time, " : "";
    if (v.level_axis >= 0)
      dims += plan.level_axes[static_cast<std::size_t>(v.level_axis)].name + ", ";
    dims += proj.kind() == mapproj::Kind::kLatLon ? "lat, lon" : "y, x";
    const auto n =
        std::count_if(v.grid_numbers.begin(), v.grid_numbers.end(), [](int g) { return g != 0; });
    say("  " + v.name + "(" + dims + "): " + v.param + " " + gridfile::vcoord_name(v.vcoord) +
        ", " + std::to_string(n) + " grids");
  }
}

}  // namespace

std::optional<params::Table> load_table(const std::string& path, const TableDirs& dirs,
                                        std::string_view program) {
  const std::string found = path.empty() ? params::find_table_file(dirs) : path;
  if (found.empty()) {
    platform::write_error_line(std::string(program) +
                               ": warning: no parameter table found; parameters keep their "
                               "names only");
    return params::Table{};
  }
  std::string error;
  std::optional<params::Table> t = params::Table::load(found, error);
  if (!t) platform::write_error_line(std::string(program) + ": " + error);
  return t;
}

int export_grids(const ExportOptions& o, const TableDirs& dirs) {
  // Library messages reach the user inside the errors' texts.
  gridfile::set_message_sink([](std::string_view) {});
  const std::optional<params::Table> table = load_table(o.table_path, dirs, "grid2nc");
  if (!table) return kExitFailed;

  gridfile::Result<gridfile::GridFile> grid_file = gridfile::GridFile::open(o.grid_path);
  if (!grid_file) {
    complain(grid_file.error().text);
    return kExitFailed;
  }
  gridfile::Result<std::vector<gridfile::GridInfo>> all = grid_file->grids();
  if (!all) {
    complain(all.error().text);
    return kExitFailed;
  }
  std::vector<gridfile::GridInfo> chosen;
  for (const gridfile::GridInfo& g : *all) {
    if (selected(g, o)) chosen.push_back(g);
  }
  if (chosen.empty()) {
    complain(o.grid_path + ": no grid to export" +
             (all->empty() ? std::string(" (the file holds none)") : " matches the selection"));
    return kExitFailed;
  }
  gridfile::Result<mapproj::Projection> proj = mapproj::Projection::from(grid_file->navigation());
  if (!proj) {
    complain(o.grid_path + ": cannot export: " + proj.error().text);
    return kExitFailed;
  }
  gridfile::Result<ExportPlan> plan = plan_export(chosen, o.window);
  if (!plan) {
    complain(o.grid_path + ": " + plan.error().text);
    return kExitFailed;
  }

  // Written under a temporary name, given its own only when complete.
  platform::PendingOutput pending;
  if (const int st = pending.reserve(o.nc_path); st != platform::kOk) {
    complain(o.nc_path + (st == EEXIST ? std::string(": a file of that name exists, and grid2nc "
                                                     "never replaces one")
                                       : ": cannot create: " + platform::status_text(st)));
    return kExitFailed;
  }
  gridfile::Result<NcFile> f = NcFile::create_in(pending.temp_path(), o.nc_path, o.classic);
  gridfile::Status written = f ? write_dataset(*f, *grid_file, *plan, *proj, *table, o) : f.error();
  if (written.ok()) written = f->close();
  if (written.ok()) {
    if (const int st = pending.publish(); st != platform::kOk) {
      written = base::Error(base::Source::kTool, st,
                            o.nc_path + ": cannot be given its name: " + platform::status_text(st));
    }
  }
  if (!written.ok()) {
    complain(written.error().text);
    complain(o.nc_path + " not written");
    return kExitFailed;  // the temporary file goes with `pending`
  }
  report_export(o, chosen.size(), *plan, *proj);
  return kExitOk;
}

int run_grid2nc(std::span<const std::string> args, const TableDirs& dirs) {
  CLI::App app{"grid2nc: export the grids of a grid file to a netCDF-CF file", "grid2nc"};
  ExportOptions o;
  app.add_option("GRIDFILE", o.grid_path, "the grid file to export")->required();
  app.add_option("OUT", o.nc_path, "the netCDF file to create (never overwritten)")->required();
  app.add_option("--grid", o.grids, "export grid N (repeatable)")
      ->type_name("N")
      ->allow_extra_args(false)
      ->check(CLI::PositiveNumber);
  app.add_option("--param", o.params, "export parameter NAME (repeatable)")
      ->type_name("NAME")
      ->allow_extra_args(false);
  std::vector<std::string> time_texts;
  std::optional<std::string> first_year;
  app.add_option(
         "--time", time_texts,
         "export the grids whose first time is TIME (repeatable): " + std::string(cli::kTimeHelp))
      ->type_name("TIME")
      ->allow_extra_args(false);
  std::string range;
  app.add_option("--time-range", range,
                 "export the grids valid from FROM to TO (both included): grid time texts "
                 "or ISO 8601 UTC times, e.g. 910823/1200,1991-08-24T00:00Z")
      ->type_name("FROM,TO");
  app.add_option("--level", o.levels, "export grids of the first level L (repeatable)")
      ->type_name("L")
      ->allow_extra_args(false);
  app.add_flag("--classic", o.classic,
               "write the classic 64-bit-offset format instead of compressed netCDF-4");
  CLI::Option* deflate =
      app.add_option("--deflate", o.deflate, "netCDF-4 compression level, 0 (none) to 9; default 4")
          ->check(CLI::Range(0, 9));
  app.add_option("--table", o.table_path,
                 "the parameter table (default: parameters.tbl in "
                 "$MORTBL or the installed tables)");
  cli::add_first_year(app, first_year);

  cli::Parsed parsed = cli::parse(app, args);
  if (parsed.run()) parsed = cli::year_window(first_year, o.window);
  if (parsed.run()) parsed = cli::time_queries(time_texts, o.window, o.times);
  if (!parsed.run()) return cli::finish(parsed, "grid2nc", kExitOk, kExitUsage);
  if (std::string complaint; !take_time_range_option(range, o.window, o.time_range, complaint)) {
    complain(complaint);
    return kExitUsage;
  }
  if (o.classic && deflate->count() > 0) {
    complain(
        "--deflate compresses netCDF-4 only; the classic format (--classic) is never compressed");
    return kExitUsage;
  }
  return export_grids(o, dirs);
}

}  // namespace nc
