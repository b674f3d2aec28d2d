// One export of grid2nc written into a netCDF dataset.
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
#include "nc/export_dataset.h"

#include <netcdf.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <variant>
#include <vector>

#include "nc/cf_mapping.h"
#include "nc/cf_time.h"
#include "nc/level_meaning.h"

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
  // Values along the time dimension, which is unlimited: written with
  // their count, which sets the dimension's length.
  void put_steps(int var, const std::vector<double>& v) {
    const std::size_t start = 0, count = v.size();
    check(nc_put_vara_double(f_.id(), var, &start, &count, v.data()), "writing times");
  }

 private:
  const NcFile& f_;
  int status_ = NC_NOERR;
  std::string what_;
};

std::string now_text() {
  const auto now = std::chrono::floor<std::chrono::minutes>(std::chrono::system_clock::now());
  const std::int64_t minutes = now.time_since_epoch().count();
  return iso_text(from_minutes(minutes));
}

// The netCDF ids of the export's dimensions and variables (-1: not there).
struct Ids {
  int time_dim = -1, y_dim = -1, x_dim = -1, bnds_dim = -1;
  std::vector<int> level_dims;
  int time_var = -1, ref_var = -1, period_var = -1;
  bool one_reference = true;  // one forecast reference time for all: a scalar
  std::vector<int> level_vars, bounds_vars;
  int xv = -1, yv = -1, latv = -1, lonv = -1;
  std::vector<int> data_vars;
};

// What every phase of the export needs.
struct Export {
  NcFile& f;
  const gridfile::GridFile& grid_file;
  const ExportPlan& plan;
  const mapproj::Projection& proj;
  const ExportOptions& o;
  const gridfile::Navigation& nav;
  bool ced;
  std::size_t nx, ny;
};

// Global attributes: the conventions, where the data came from, and the
// grid file's navigation as it was.
void define_globals(Calls& c, const Export& e) {
  c.text(NC_GLOBAL, "Conventions", "CF-1.8");
  c.text(NC_GLOBAL, "title", "Grids of " + e.o.grid_path);
  c.text(NC_GLOBAL, "source", "grid file " + e.o.grid_path);
  c.text(NC_GLOBAL, "history", now_text() + " grid2nc " + e.o.grid_path + " " + e.o.nc_path);
  c.text(NC_GLOBAL, "t2g_projection", e.nav.projection);
  c.ints(NC_GLOBAL, "t2g_grid_size", {e.nav.nx, e.nav.ny});
  c.floats(NC_GLOBAL, "t2g_corners", {e.nav.lat1, e.nav.lon1, e.nav.lat2, e.nav.lon2});
  c.floats(NC_GLOBAL, "t2g_angles", {e.nav.angle1, e.nav.angle2, e.nav.angle3});
}

// Dimensions: time (when any grid has a time; unlimited, so that exports
// join along it), one per level axis, bnds (when any level axis has level
// 2), then y and x.
void define_dimensions(Calls& c, const Export& e, Ids& ids) {
  const bool timed = std::any_of(e.plan.variables.begin(), e.plan.variables.end(),
                                 [](const VariablePlan& v) { return v.timed; });
  ids.time_dim = timed ? c.dim("time", NC_UNLIMITED) : -1;
  for (const LevelAxis& a : e.plan.level_axes)
    ids.level_dims.push_back(c.dim(a.name, a.levels.size()));
  const bool any_bounds = std::any_of(e.plan.level_axes.begin(), e.plan.level_axes.end(),
                                      [](const LevelAxis& a) { return a.has_level2(); });
  ids.bnds_dim = any_bounds ? c.dim("bnds", 2) : -1;
  ids.y_dim = c.dim(e.ced ? "lat" : "y", e.ny);
  ids.x_dim = c.dim(e.ced ? "lon" : "x", e.nx);
}

// Time coordinates: valid time, and for forecasts the reference time and
// forecast period; the grid file's time texts as attributes.
void define_time(Calls& c, const Export& e, Ids& ids) {
  // One reference time for all is a scalar, which more readers understand.
  ids.one_reference = std::all_of(e.plan.times.begin(), e.plan.times.end(), [&](const TimeSlot& s) {
    return s.minutes.reference == e.plan.times.front().minutes.reference;
  });
  if (ids.time_dim < 0) return;
  const std::string units = "minutes since " + iso_text(from_minutes(e.plan.epoch_minutes));
  ids.time_var = c.var("time", NC_DOUBLE, {ids.time_dim});
  c.text(ids.time_var, "standard_name", "time");
  c.text(ids.time_var, "long_name", "valid time");
  c.text(ids.time_var, "units", units);
  c.text(ids.time_var, "calendar", "standard");
  c.text(ids.time_var, "axis", "T");
  if (e.plan.any_forecast) {
    ids.ref_var = c.var("forecast_reference_time", NC_DOUBLE,
                        ids.one_reference ? std::vector<int>{} : std::vector<int>{ids.time_dim});
    c.text(ids.ref_var, "standard_name", "forecast_reference_time");
    c.text(ids.ref_var, "units", units);
    c.text(ids.ref_var, "calendar", "standard");
    ids.period_var = c.var("forecast_period", NC_DOUBLE, {ids.time_dim});
    c.text(ids.period_var, "standard_name", "forecast_period");
    c.text(ids.period_var, "units", "minutes");
  }
  // The grid file's time texts, one word per step ("-" for none).
  std::string text1, text2;
  for (const TimeSlot& s : e.plan.times) {
    text1 += (text1.empty() ? "" : " ") + s.time1;
    text2 += (text2.empty() ? "" : " ") + (s.time2.empty() ? std::string("-") : s.time2);
  }
  c.text(ids.time_var, "t2g_time1", text1);
  if (e.plan.any_time2) c.text(ids.time_var, "t2g_time2", text2);
}

// Level axes, with their CF meaning and, where level 2 is set, bounds.
void define_levels(Calls& c, const Export& e, Ids& ids) {
  for (std::size_t k = 0; k < e.plan.level_axes.size(); ++k) {
    const LevelAxis& a = e.plan.level_axes[k];
    const LevelMeaning m = level_meaning(a.vcoord);
    const int v = c.var(a.name, NC_DOUBLE, {ids.level_dims[k]});
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
      b = c.var(bname, NC_DOUBLE, {ids.level_dims[k], ids.bnds_dim});
    }
    ids.level_vars.push_back(v);
    ids.bounds_vars.push_back(b);
  }
}

// Horizontal coordinates and the grid mapping.
void define_horizontal(Calls& c, const Export& e, Ids& ids) {
  // A coordinate variable with its CF names and units; axis "" for none.
  const auto coordinate = [&c](const char* name, const std::vector<int>& dims,
                               const char* standard_name, const char* long_name, const char* units,
                               const char* axis) {
    const int v = c.var(name, NC_DOUBLE, dims);
    c.text(v, "standard_name", standard_name);
    c.text(v, "long_name", long_name);
    c.text(v, "units", units);
    if (*axis != '\0') c.text(v, "axis", axis);
    return v;
  };
  if (e.ced) {
    ids.yv = coordinate("lat", {ids.y_dim}, "latitude", "latitude", "degrees_north", "Y");
    ids.xv = coordinate("lon", {ids.x_dim}, "longitude", "longitude", "degrees_east", "X");
  } else {
    ids.yv = coordinate("y", {ids.y_dim}, "projection_y_coordinate", "y coordinate of projection",
                        "m", "Y");
    ids.xv = coordinate("x", {ids.x_dim}, "projection_x_coordinate", "x coordinate of projection",
                        "m", "X");
    ids.latv =
        coordinate("lat", {ids.y_dim, ids.x_dim}, "latitude", "latitude", "degrees_north", "");
    ids.lonv =
        coordinate("lon", {ids.y_dim, ids.x_dim}, "longitude", "longitude", "degrees_east", "");
  }
  const int crs = c.var("crs", NC_INT, {});
  for (const CfAttribute& a : grid_mapping_attributes(e.proj)) c.attribute(crs, a);
}

// Data variables: one per parameter and vertical coordinate.
void define_variables(Calls& c, const Export& e, const params::Table& table, Ids& ids) {
  for (const VariablePlan& v : e.plan.variables) {
    const int level_dim =
        v.level_axis >= 0 ? ids.level_dims[static_cast<std::size_t>(v.level_axis)] : -1;
    const std::vector<int> dims = axes_of(v, ids.time_dim, level_dim, ids.y_dim, ids.x_dim);
    const std::vector<std::size_t> chunks = axes_of<std::size_t>(v, 1, 1, e.ny, e.nx);
    const int id = c.var(v.name, NC_FLOAT, dims);
    if (e.f.netcdf4() && c.ok()) {
      c.check(nc_def_var_chunking(e.f.id(), id, NC_CHUNKED, chunks.data()), "chunking " + v.name);
      if (e.o.deflate > 0) {
        c.check(nc_def_var_deflate(e.f.id(), id, 1, 1, e.o.deflate), "compressing " + v.name);
      }
    }
    c.check(nc_put_att_float(e.f.id(), id, "_FillValue", NC_FLOAT, 1, &kFill),
            "writing attribute _FillValue");
    const params::Parameter* p = table.find(v.param);
    if (p != nullptr && !p->standard_name.empty()) c.text(id, "standard_name", p->standard_name);
    c.text(id, "long_name", p != nullptr && !p->long_name.empty() ? p->long_name : v.param);
    if (p != nullptr && !p->units.empty()) c.text(id, "units", p->units);
    c.text(id, "grid_mapping", "crs");
    // forecast_reference_time and forecast_period are found by their
    // standard_name; listed here, CDO warns it cannot assign them.
    if (!e.ced) c.text(id, "coordinates", "lat lon");
    c.text(id, "t2g_parameter", v.param);
    c.ints(id, "t2g_vcoord", {v.vcoord});
    c.ints(id, "t2g_grid_numbers", v.grid_numbers);
    ids.data_vars.push_back(id);
  }
}

// The values of the coordinate variables.
void put_coordinates(Calls& c, const Export& e, const Ids& ids) {
  if (ids.time_var >= 0) {
    std::vector<double> t, ref, period;
    for (const TimeSlot& s : e.plan.times) {
      t.push_back(static_cast<double>(s.minutes.valid - e.plan.epoch_minutes));
      ref.push_back(static_cast<double>(s.minutes.reference - e.plan.epoch_minutes));
      period.push_back(s.minutes.forecast_minutes);
    }
    c.put_steps(ids.time_var, t);
    if (ids.ref_var >= 0) {
      if (ids.one_reference) {
        ref.resize(1);
        c.put(ids.ref_var, ref);
      } else {
        c.put_steps(ids.ref_var, ref);
      }
      c.put_steps(ids.period_var, period);
    }
  }
  for (std::size_t k = 0; k < e.plan.level_axes.size(); ++k) {
    std::vector<double> l1, bounds;
    for (const auto& [a, b] : e.plan.level_axes[k].levels) {
      l1.push_back(a);
      bounds.push_back(a);
      bounds.push_back(b == -1 ? a : b);
    }
    c.put(ids.level_vars[k], l1);
    if (ids.bounds_vars[k] >= 0) c.put(ids.bounds_vars[k], bounds);
  }
  c.put(ids.xv, e.proj.xs());
  c.put(ids.yv, e.proj.ys());
  if (!e.ced) {
    std::vector<double> lat(e.nx * e.ny), lon(e.nx * e.ny);
    for (std::size_t j = 0; j < e.ny; ++j) {
      for (std::size_t i = 0; i < e.nx; ++i) {
        const auto ll = e.proj.latlon(static_cast<double>(i + 1), static_cast<double>(j + 1));
        lat[j * e.nx + i] = ll ? ll->lat : NC_FILL_DOUBLE;
        lon[j * e.nx + i] = ll ? ll->lon : NC_FILL_DOUBLE;
      }
    }
    c.put(ids.latv, lat);
    c.put(ids.lonv, lon);
  }
}

// The grids, one at a time; slots without a grid stay at _FillValue.
gridfile::Status put_grids(Calls& c, const Export& e, const Ids& ids) {
  for (std::size_t k = 0; k < e.plan.variables.size(); ++k) {
    const VariablePlan& v = e.plan.variables[k];
    const std::size_t nlev = e.plan.levels(v);
    for (std::size_t s = 0; s < v.grid_numbers.size(); ++s) {
      const int number = v.grid_numbers[s];
      const std::vector<std::size_t> start = axes_of<std::size_t>(v, s / nlev, s % nlev, 0, 0);
      const std::vector<std::size_t> count = axes_of<std::size_t>(v, 1, 1, e.ny, e.nx);
      if (number == 0) continue;  // left at _FillValue
      gridfile::Result<gridfile::Grid> g = e.grid_file.read(number);
      if (!g) return g.error();
      if (g->info.nx != e.nav.nx || g->info.ny != e.nav.ny) {
        return gridfile::Error{-1, "grid " + std::to_string(number) + " is " +
                                       std::to_string(g->info.nx) + " x " +
                                       std::to_string(g->info.ny) + ", the navigation " +
                                       std::to_string(e.nav.nx) + " x " + std::to_string(e.nav.ny)};
      }
      for (float& value : g->values) {
        if (gridfile::is_missing(value)) value = kFill;
      }
      if (!c.check(nc_put_vara_float(e.f.id(), ids.data_vars[k], start.data(), count.data(),
                                     g->values.data()),
                   "writing " + v.name)) {
        return c.error();
      }
    }
  }
  return {};
}

}  // namespace

gridfile::Status write_dataset(NcFile& f, const gridfile::GridFile& grid_file,
                               const ExportPlan& plan, const mapproj::Projection& proj,
                               const params::Table& table, const ExportOptions& o) {
  const gridfile::Navigation& nav = grid_file.navigation();
  const Export e{f,
                 grid_file,
                 plan,
                 proj,
                 o,
                 nav,
                 proj.kind() == mapproj::Kind::kLatLon,
                 static_cast<std::size_t>(nav.nx),
                 static_cast<std::size_t>(nav.ny)};
  Calls c(f);
  Ids ids;
  define_globals(c, e);
  define_dimensions(c, e, ids);
  define_time(c, e, ids);
  define_levels(c, e, ids);
  define_horizontal(c, e, ids);
  define_variables(c, e, table, ids);
  if (!c.ok()) return c.error();
  if (!c.check(nc_enddef(f.id()), "ending definitions")) return c.error();
  put_coordinates(c, e, ids);
  if (!c.ok()) return c.error();
  if (gridfile::Status s = put_grids(c, e, ids); !s) return s;
  return f.close();
}

}  // namespace nc
