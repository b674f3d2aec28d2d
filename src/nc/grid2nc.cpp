// grid2nc: a grid file's grids as netCDF-CF variables.
//
// Layout of the export:
//   dimensions   time (when any grid has a time), one per level axis, bnds,
//                then lat/lon (CED) or y/x
//   coordinates  time (minutes since the earliest valid time), and for
//                forecasts forecast_reference_time and forecast_period;
//                level axes with their CF meaning; lat/lon, or x/y in metres
//                with 2-D lat/lon; a "crs" grid-mapping variable
//   variables    one float variable per parameter and vertical coordinate,
//                missing points -9999.0 (_FillValue)
//   t2g_*        the grid file's own identifiers and navigation, so that
//                nc2grid rebuilds the file exactly: time texts (attributes of
//                time),
//                level pairs, vertical coordinate codes, parameter names, the
//                grid number of every slot, and the navigation.
#include "nc/grid2nc.h"

#include <netcdf.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "cli/command_line.h"
#include "nc/cf_mapping.h"
#include "nc/export_plan.h"
#include "nc/ncfile.h"
#include "params/params.h"
#include "platform/platform.h"
#include "proj/projection.h"

namespace nc {
namespace {

// A variable's axes in netCDF order: time and level where it has them, then
// y and x. Sized once, never grown.
template <class T>
std::vector<T> axes_of(const VariablePlan& v, T time, T level, T y, T x) {
  std::vector<T> out(2 + (v.timed ? 1 : 0) + (v.level_axis >= 0 ? 1 : 0));
  std::size_t k = 0;
  if (v.timed) out[k++] = time;
  if (v.level_axis >= 0) out[k++] = level;
  out[k++] = y;
  out[k] = x;
  return out;
}

constexpr float kFill = gridfile::kMissing;

void say(const std::string& line) {
  platform::write_line(line);
}
void complain(const std::string& line) {
  platform::write_error_line("grid2nc: " + line);
}

// Collects the first netCDF-C failure of a run of calls.
class Calls {
 public:
  explicit Calls(const NcFile& f) : f_(f) {}
  bool ok() const { return status_ == NC_NOERR; }
  gridfile::Error error() const { return f_.error(status_, what_); }
  bool check(int status, const std::string& what) {
    if (ok() && status != NC_NOERR) {
      status_ = status;
      what_ = what;
    }
    return ok();
  }
  int dim(const std::string& name, std::size_t len) {
    int id = -1;
    check(nc_def_dim(f_.id(), name.c_str(), len, &id), "defining dimension " + name);
    return id;
  }
  int var(const std::string& name, nc_type type, const std::vector<int>& dims) {
    int id = -1;
    check(nc_def_var(f_.id(), name.c_str(), type, static_cast<int>(dims.size()), dims.data(), &id),
          "defining variable " + name);
    return id;
  }
  void text(int var, const char* name, std::string_view v) {
    check(nc_put_att_text(f_.id(), var, name, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void doubles(int var, const char* name, const std::vector<double>& v) {
    check(nc_put_att_double(f_.id(), var, name, NC_DOUBLE, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void floats(int var, const char* name, const std::vector<float>& v) {
    check(nc_put_att_float(f_.id(), var, name, NC_FLOAT, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void ints(int var, const char* name, const std::vector<int>& v) {
    check(nc_put_att_int(f_.id(), var, name, NC_INT, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void attribute(int var, const CfAttribute& a) {
    if (const auto* s = std::get_if<std::string>(&a.value)) {
      text(var, a.name.c_str(), *s);
    } else {
      doubles(var, a.name.c_str(), std::get<std::vector<double>>(a.value));
    }
  }
  void put(int var, const std::vector<double>& v) {
    check(nc_put_var_double(f_.id(), var, v.data()), "writing coordinates");
  }

 private:
  const NcFile& f_;
  int status_ = NC_NOERR;
  std::string what_;
};

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
  return in(o.grids, g.number) && in(params, g.id.param) && in(o.times, g.id.time1) &&
         in(o.levels, g.id.level1);
}

struct LevelMeaning {
  const char* standard_name;  // empty: none
  const char* long_name;
  const char* units;
  const char* positive;
};

LevelMeaning level_meaning(int vcoord) {
  switch (vcoord) {
    case gridfile::kVcoordPres:
      return {"air_pressure", "pressure", "hPa", "down"};
    case gridfile::kVcoordThta:
      return {"air_potential_temperature", "potential temperature", "K", "up"};
    case gridfile::kVcoordHght:
      return {"height", "height", "m", "up"};
    case gridfile::kVcoordSgma:
      return {"", "sigma level, as stored in the grid file", "1", "down"};
    default:
      return {"", "level", "1", "up"};
  }
}

std::string now_text() {
  const auto now = std::chrono::floor<std::chrono::minutes>(std::chrono::system_clock::now());
  const std::int64_t minutes = now.time_since_epoch().count();
  return iso_text(from_minutes(minutes));
}

// The definitions and writes of one export into an open, empty dataset.
gridfile::Status write_dataset(NcFile& f, const gridfile::GridFile& grid_file,
                               const ExportPlan& plan, const mapproj::Projection& proj,
                               const params::Table& table, const ExportOptions& o) {
  Calls c(f);
  const gridfile::Navigation& nav = grid_file.navigation();
  const bool ced = proj.kind() == mapproj::Kind::kLatLon;
  const std::size_t nx = static_cast<std::size_t>(nav.nx), ny = static_cast<std::size_t>(nav.ny);

  // Global attributes.
  c.text(NC_GLOBAL, "Conventions", "CF-1.8");
  c.text(NC_GLOBAL, "title", "Grids of " + o.grid_path);
  c.text(NC_GLOBAL, "source", "grid file " + o.grid_path);
  c.text(NC_GLOBAL, "history", now_text() + " grid2nc " + o.grid_path + " " + o.nc_path);
  c.text(NC_GLOBAL, "t2g_projection", nav.projection);
  c.ints(NC_GLOBAL, "t2g_grid_size", {nav.nx, nav.ny});
  c.floats(NC_GLOBAL, "t2g_corners", {nav.lat1, nav.lon1, nav.lat2, nav.lon2});
  c.floats(NC_GLOBAL, "t2g_angles", {nav.angle1, nav.angle2, nav.angle3});

  // Dimensions.
  const bool timed = std::any_of(plan.variables.begin(), plan.variables.end(),
                                 [](const VariablePlan& v) { return v.timed; });
  const int time_dim = timed ? c.dim("time", plan.times.size()) : -1;
  std::vector<int> level_dims;
  for (const LevelAxis& a : plan.level_axes) level_dims.push_back(c.dim(a.name, a.levels.size()));
  const bool any_bounds = std::any_of(plan.level_axes.begin(), plan.level_axes.end(),
                                      [](const LevelAxis& a) { return a.has_level2(); });
  const int bnds_dim = any_bounds ? c.dim("bnds", 2) : -1;
  const int y_dim = c.dim(ced ? "lat" : "y", ny);
  const int x_dim = c.dim(ced ? "lon" : "x", nx);

  // Time coordinates.
  int time_var = -1, ref_var = -1, period_var = -1;
  // One reference time for all is a scalar, which more readers understand.
  const bool one_reference =
      std::all_of(plan.times.begin(), plan.times.end(), [&](const TimeSlot& s) {
        return s.minutes.reference == plan.times.front().minutes.reference;
      });
  if (timed) {
    const std::string units = "minutes since " + iso_text(from_minutes(plan.epoch_minutes));
    time_var = c.var("time", NC_DOUBLE, {time_dim});
    c.text(time_var, "standard_name", "time");
    c.text(time_var, "long_name", "valid time");
    c.text(time_var, "units", units);
    c.text(time_var, "calendar", "standard");
    c.text(time_var, "axis", "T");
    if (plan.any_forecast) {
      ref_var = c.var("forecast_reference_time", NC_DOUBLE,
                      one_reference ? std::vector<int>{} : std::vector<int>{time_dim});
      c.text(ref_var, "standard_name", "forecast_reference_time");
      c.text(ref_var, "units", units);
      c.text(ref_var, "calendar", "standard");
      period_var = c.var("forecast_period", NC_DOUBLE, {time_dim});
      c.text(period_var, "standard_name", "forecast_period");
      c.text(period_var, "units", "minutes");
    }
    // The grid file's time texts, one word per step ("-" for none).
    std::string text1, text2;
    for (const TimeSlot& s : plan.times) {
      text1 += (text1.empty() ? "" : " ") + s.time1;
      text2 += (text2.empty() ? "" : " ") + (s.time2.empty() ? std::string("-") : s.time2);
    }
    c.text(time_var, "t2g_time1", text1);
    if (plan.any_time2) c.text(time_var, "t2g_time2", text2);
  }

  // Level axes.
  std::vector<int> level_vars, bounds_vars;
  for (std::size_t k = 0; k < plan.level_axes.size(); ++k) {
    const LevelAxis& a = plan.level_axes[k];
    const LevelMeaning m = level_meaning(a.vcoord);
    const int v = c.var(a.name, NC_DOUBLE, {level_dims[k]});
    if (*m.standard_name != '\0') c.text(v, "standard_name", m.standard_name);
    c.text(v, "long_name", m.long_name);
    c.text(v, "units", m.units);
    c.text(v, "positive", m.positive);
    c.text(v, "axis", "Z");
    c.ints(v, "t2g_vcoord", {a.vcoord});
    std::vector<int> level2;
    for (const auto& l : a.levels) level2.push_back(l.second);
    c.ints(v, "t2g_level2", level2);
    int b = -1;
    if (a.has_level2()) {
      const std::string bname = a.name + "_bnds";
      c.text(v, "bounds", bname);
      b = c.var(bname, NC_DOUBLE, {level_dims[k], bnds_dim});
    }
    level_vars.push_back(v);
    bounds_vars.push_back(b);
  }

  // Horizontal coordinates and the grid mapping.
  int xv = -1, yv = -1, latv = -1, lonv = -1;
  if (ced) {
    yv = c.var("lat", NC_DOUBLE, {y_dim});
    c.text(yv, "standard_name", "latitude");
    c.text(yv, "long_name", "latitude");
    c.text(yv, "units", "degrees_north");
    c.text(yv, "axis", "Y");
    xv = c.var("lon", NC_DOUBLE, {x_dim});
    c.text(xv, "standard_name", "longitude");
    c.text(xv, "long_name", "longitude");
    c.text(xv, "units", "degrees_east");
    c.text(xv, "axis", "X");
  } else {
    yv = c.var("y", NC_DOUBLE, {y_dim});
    c.text(yv, "standard_name", "projection_y_coordinate");
    c.text(yv, "long_name", "y coordinate of projection");
    c.text(yv, "units", "m");
    c.text(yv, "axis", "Y");
    xv = c.var("x", NC_DOUBLE, {x_dim});
    c.text(xv, "standard_name", "projection_x_coordinate");
    c.text(xv, "long_name", "x coordinate of projection");
    c.text(xv, "units", "m");
    c.text(xv, "axis", "X");
    latv = c.var("lat", NC_DOUBLE, {y_dim, x_dim});
    c.text(latv, "standard_name", "latitude");
    c.text(latv, "long_name", "latitude");
    c.text(latv, "units", "degrees_north");
    lonv = c.var("lon", NC_DOUBLE, {y_dim, x_dim});
    c.text(lonv, "standard_name", "longitude");
    c.text(lonv, "long_name", "longitude");
    c.text(lonv, "units", "degrees_east");
  }
  const int crs = c.var("crs", NC_INT, {});
  for (const CfAttribute& a : grid_mapping_attributes(proj)) c.attribute(crs, a);

  // Data variables.
  std::vector<int> data_vars;
  for (const VariablePlan& v : plan.variables) {
    const int level_dim =
        v.level_axis >= 0 ? level_dims[static_cast<std::size_t>(v.level_axis)] : -1;
    const std::vector<int> dims = axes_of(v, time_dim, level_dim, y_dim, x_dim);
    const std::vector<std::size_t> chunks = axes_of<std::size_t>(v, 1, 1, ny, nx);
    const int id = c.var(v.name, NC_FLOAT, dims);
    if (f.netcdf4() && c.ok()) {
      c.check(nc_def_var_chunking(f.id(), id, NC_CHUNKED, chunks.data()), "chunking " + v.name);
      if (o.deflate > 0) {
        c.check(nc_def_var_deflate(f.id(), id, 1, 1, o.deflate), "compressing " + v.name);
      }
    }
    c.check(nc_put_att_float(f.id(), id, "_FillValue", NC_FLOAT, 1, &kFill),
            "writing attribute _FillValue");
    const params::Parameter* p = table.find(v.param);
    if (p != nullptr && !p->standard_name.empty()) c.text(id, "standard_name", p->standard_name);
    c.text(id, "long_name", p != nullptr && !p->long_name.empty() ? p->long_name : v.param);
    if (p != nullptr && !p->units.empty()) c.text(id, "units", p->units);
    c.text(id, "grid_mapping", "crs");
    std::string coords;
    if (v.timed && plan.any_forecast) coords = "forecast_reference_time forecast_period";
    if (!ced) coords += coords.empty() ? "lat lon" : " lat lon";
    if (!coords.empty()) c.text(id, "coordinates", coords);
    c.text(id, "t2g_parameter", v.param);
    c.ints(id, "t2g_vcoord", {v.vcoord});
    c.ints(id, "t2g_grid_numbers", v.grid_numbers);
    data_vars.push_back(id);
  }
  if (!c.ok()) return c.error();
  if (!c.check(nc_enddef(f.id()), "ending definitions")) return c.error();

  // Coordinate values.
  if (timed) {
    std::vector<double> t, ref, period;
    for (const TimeSlot& s : plan.times) {
      t.push_back(static_cast<double>(s.minutes.valid - plan.epoch_minutes));
      ref.push_back(static_cast<double>(s.minutes.reference - plan.epoch_minutes));
      period.push_back(s.minutes.forecast_minutes);
    }
    c.put(time_var, t);
    if (ref_var >= 0) {
      if (one_reference) ref.resize(1);
      c.put(ref_var, ref);
      c.put(period_var, period);
    }
  }
  for (std::size_t k = 0; k < plan.level_axes.size(); ++k) {
    std::vector<double> l1, bounds;
    for (const auto& [a, b] : plan.level_axes[k].levels) {
      l1.push_back(a);
      bounds.push_back(a);
      bounds.push_back(b == -1 ? a : b);
    }
    c.put(level_vars[k], l1);
    if (bounds_vars[k] >= 0) c.put(bounds_vars[k], bounds);
  }
  c.put(xv, proj.xs());
  c.put(yv, proj.ys());
  if (!ced) {
    std::vector<double> lat(nx * ny), lon(nx * ny);
    for (std::size_t j = 0; j < ny; ++j) {
      for (std::size_t i = 0; i < nx; ++i) {
        const auto ll = proj.latlon(static_cast<double>(i + 1), static_cast<double>(j + 1));
        lat[j * nx + i] = ll ? ll->lat : NC_FILL_DOUBLE;
        lon[j * nx + i] = ll ? ll->lon : NC_FILL_DOUBLE;
      }
    }
    c.put(latv, lat);
    c.put(lonv, lon);
  }
  if (!c.ok()) return c.error();

  // Grids, one at a time.
  for (std::size_t k = 0; k < plan.variables.size(); ++k) {
    const VariablePlan& v = plan.variables[k];
    const std::size_t nlev = plan.levels(v);
    for (std::size_t s = 0; s < v.grid_numbers.size(); ++s) {
      const int number = v.grid_numbers[s];
      const std::vector<std::size_t> start = axes_of<std::size_t>(v, s / nlev, s % nlev, 0, 0);
      const std::vector<std::size_t> count = axes_of<std::size_t>(v, 1, 1, ny, nx);
      if (number == 0) continue;  // left at _FillValue
      gridfile::Result<gridfile::Grid> g = grid_file.read(number);
      if (!g) return g.error();
      if (g->info.nx != nav.nx || g->info.ny != nav.ny) {
        return gridfile::Error{-1, "grid " + std::to_string(number) + " is " +
                                       std::to_string(g->info.nx) + " x " +
                                       std::to_string(g->info.ny) + ", the navigation " +
                                       std::to_string(nav.nx) + " x " + std::to_string(nav.ny)};
      }
      for (float& value : g->values) {
        if (gridfile::is_missing(value)) value = kFill;
      }
      if (!c.check(
              nc_put_vara_float(f.id(), data_vars[k], start.data(), count.data(), g->values.data()),
              "writing " + v.name)) {
        return c.error();
      }
    }
  }
  return f.close();
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
  gridfile::Result<ExportPlan> plan = plan_export(chosen, o.first_year);
  if (!plan) {
    complain(o.grid_path + ": " + plan.error().text);
    return kExitFailed;
  }

  gridfile::Result<NcFile> f = NcFile::create(o.nc_path, o.classic);
  if (!f) {
    complain(f.error().text);
    return kExitFailed;
  }
  const gridfile::Status written = write_dataset(*f, *grid_file, *plan, *proj, *table, o);
  if (!written.ok()) {
    // Never leave a partial export behind.
    { const NcFile doomed = std::move(*f); }  // closed here
    std::error_code ec;
    std::filesystem::remove(o.nc_path, ec);
    complain(written.error().text);
    complain(o.nc_path + " not written");
    return kExitFailed;
  }
  say(o.nc_path + ": " + std::to_string(chosen.size()) + " grids in " +
      std::to_string(plan->variables.size()) + " variables, " +
      (o.classic ? std::string("classic 64-bit offset format")
                 : "netCDF-4" + (o.deflate > 0 ? ", deflate level " + std::to_string(o.deflate)
                                               : std::string(", not compressed"))));
  for (const VariablePlan& v : plan->variables) {
    std::string dims = v.timed ? "time, " : "";
    if (v.level_axis >= 0)
      dims += plan->level_axes[static_cast<std::size_t>(v.level_axis)].name + ", ";
    dims += proj->kind() == mapproj::Kind::kLatLon ? "lat, lon" : "y, x";
    const auto n =
        std::count_if(v.grid_numbers.begin(), v.grid_numbers.end(), [](int g) { return g != 0; });
    say("  " + v.name + "(" + dims + "): " + v.param + " " + gridfile::vcoord_name(v.vcoord) +
        ", " + std::to_string(n) + " grids");
  }
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
  app.add_option("--time", o.times,
                 "export grids of the time TEXT, e.g. 240101/0000F012 (repeatable)")
      ->type_name("TEXT")
      ->allow_extra_args(false);
  app.add_option("--level", o.levels, "export grids of the first level L (repeatable)")
      ->type_name("L")
      ->allow_extra_args(false);
  app.add_flag("--classic", o.classic,
               "write the classic 64-bit-offset format instead of compressed netCDF-4");
  app.add_option("--deflate", o.deflate, "netCDF-4 compression level, 0 (none) to 9; default 4")
      ->check(CLI::Range(0, 9));
  app.add_option("--table", o.table_path,
                 "the parameter table (default: parameters.tbl in "
                 "$MORTBL or the installed tables)");
  app.add_option("--first-year", o.first_year,
                 "read two-digit years as FIRST..FIRST+99 (default 1921, the library's rule)")
      ->type_name("FIRST")
      ->check(CLI::Range(1, 9900));

  if (const cli::Parsed parsed = cli::parse(app, args); !parsed.run()) {
    return cli::finish(parsed, "grid2nc", kExitOk, kExitUsage);
  }
  return export_grids(o, dirs);
}

}  // namespace nc
