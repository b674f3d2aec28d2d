// The CF description of an export.
//
//   dimensions   time (when any grid has a time; unlimited, so that exports
//                join along it), one per level axis, bnds,
//                then lat/lon (CED) or y/x
//   coordinates  time (minutes since the earliest valid time), and for
//                forecasts forecast_reference_time and forecast_period;
//                level axes with their CF meaning; lat/lon, or x/y in metres
//                with 2-D lat/lon; a "crs" grid-mapping variable
//   variables    one float variable per parameter and vertical coordinate,
//                missing points -9999.0 (_FillValue)
//   t2g_*        the grid file's own identifiers and navigation, so that
//                nc2grid rebuilds the file exactly: time texts (attributes of
//                time), level pairs, vertical coordinate codes, parameter
//                names, the grid number of every slot, and the navigation.
#include "nc/cf_description.h"

#include <netcdf.h>

#include <algorithm>
#include <utility>

#include "nc/cf_mapping.h"
#include "nc/cf_time.h"
#include "nc/level_meaning.h"

namespace nc {
namespace {

CfAttr text(std::string name, std::string value) {
  return {std::move(name), std::move(value)};
}

// The names of what is being described, shared by its phases.
struct Names {
  bool timed = false;
  std::string y, x;  // horizontal dimensions
};

void add_globals(CfDataset& d, const gridfile::Navigation& nav, const CfSource& source) {
  d.globals = {text("Conventions", "CF-1.8"), text("title", "Grids of " + source.grid_path),
               text("source", "grid file " + source.grid_path)};
  if (!source.history.empty()) d.globals.push_back(text("history", source.history));
  d.globals.push_back(text("t2g_projection", nav.projection));
  d.globals.push_back({"t2g_grid_size", std::vector<int>{nav.nx, nav.ny}});
  d.globals.push_back({"t2g_corners", std::vector<float>{nav.lat1, nav.lon1, nav.lat2, nav.lon2}});
  d.globals.push_back({"t2g_angles", std::vector<float>{nav.angle1, nav.angle2, nav.angle3}});
}

void add_dimensions(CfDataset& d, const ExportPlan& plan, const gridfile::Navigation& nav,
                    const Names& n) {
  if (n.timed) d.dims.push_back({"time", plan.times.size(), true});
  for (const LevelAxis& a : plan.level_axes) d.dims.push_back({a.name, a.levels.size()});
  if (std::any_of(plan.level_axes.begin(), plan.level_axes.end(),
                  [](const LevelAxis& a) { return a.has_level2(); })) {
    d.dims.push_back({"bnds", 2});
  }
  d.dims.push_back({n.y, static_cast<std::size_t>(nav.ny)});
  d.dims.push_back({n.x, static_cast<std::size_t>(nav.nx)});
}

// Valid time, and for forecasts the reference time (a scalar when it is one
// for all, which more readers understand) and the forecast period; the grid
// file's time texts as attributes, one word per step ("-" for none).
void add_time(CfDataset& d, const ExportPlan& plan, const Names& n) {
  if (!n.timed) return;
  const std::string units = "minutes since " + gridfile::cf_text(from_minutes(plan.epoch_minutes));
  const bool one_reference =
      std::all_of(plan.times.begin(), plan.times.end(), [&](const TimeSlot& s) {
        return s.minutes.reference == plan.times.front().minutes.reference;
      });
  CfVariable time{"time", CfType::kDouble, {"time"}, {}, {}, -1};
  CfVariable ref{"forecast_reference_time",
                 CfType::kDouble,
                 one_reference ? std::vector<std::string>{} : std::vector<std::string>{"time"},
                 {text("standard_name", "forecast_reference_time"), text("units", units),
                  text("calendar", "standard")},
                 {},
                 -1};
  CfVariable period{"forecast_period",
                    CfType::kDouble,
                    {"time"},
                    {text("standard_name", "forecast_period"), text("units", "minutes")},
                    {},
                    -1};
  std::string text1, text2;
  for (const TimeSlot& s : plan.times) {
    time.values.push_back(static_cast<double>(s.minutes.valid - plan.epoch_minutes));
    ref.values.push_back(static_cast<double>(s.minutes.reference - plan.epoch_minutes));
    period.values.push_back(s.minutes.forecast_minutes);
    text1 += (text1.empty() ? "" : " ") + s.time1;
    text2 += (text2.empty() ? "" : " ") + (s.time2.empty() ? std::string("-") : s.time2);
  }
  if (one_reference) ref.values.resize(1);
  time.attrs = {text("standard_name", "time"),
                text("long_name", "valid time"),
                text("units", units),
                text("calendar", "standard"),
                text("axis", "T"),
                text("t2g_time1", text1)};
  if (plan.any_time2) time.attrs.push_back(text("t2g_time2", text2));
  d.variables.push_back(std::move(time));
  if (plan.any_forecast) {
    d.variables.push_back(std::move(ref));
    d.variables.push_back(std::move(period));
  }
}

// Level axes with their CF meaning and, where level 2 is set, bounds.
void add_levels(CfDataset& d, const ExportPlan& plan) {
  for (const LevelAxis& a : plan.level_axes) {
    const LevelMeaning m = level_meaning(a.vcoord);
    CfVariable v{a.name, CfType::kDouble, {a.name}, {}, {}, -1};
    if (*m.standard_name != '\0') v.attrs.push_back(text("standard_name", m.standard_name));
    v.attrs.push_back(text("long_name", m.long_name));
    v.attrs.push_back(text("units", m.units));
    v.attrs.push_back(text("positive", m.positive));
    v.attrs.push_back(text("axis", "Z"));
    v.attrs.push_back({"t2g_vcoord", std::vector<int>{gridfile::vcoord_code(a.vcoord)}});
    std::vector<int> level2;
    CfVariable bounds{a.name + "_bnds", CfType::kDouble, {a.name, "bnds"}, {}, {}, -1};
    for (const auto& [l1, l2] : a.levels) {
      level2.push_back(l2);
      v.values.push_back(l1);
      bounds.values.push_back(l1);
      bounds.values.push_back(l2 == kNoLevel2 ? l1 : l2);
    }
    v.attrs.push_back({"t2g_level2", level2});
    if (a.has_level2()) v.attrs.push_back(text("bounds", bounds.name));
    d.variables.push_back(std::move(v));
    if (a.has_level2()) d.variables.push_back(std::move(bounds));
  }
}

CfVariable coordinate(const char* name, std::vector<std::string> dims, const char* standard_name,
                      const char* long_name, const char* units, const char* axis,
                      std::vector<double> values) {
  CfVariable v{
      name,
      CfType::kDouble,
      std::move(dims),
      {text("standard_name", standard_name), text("long_name", long_name), text("units", units)},
      std::move(values),
      -1};
  if (*axis != '\0') v.attrs.push_back(text("axis", axis));
  return v;
}

// Horizontal coordinates and the grid mapping.
void add_horizontal(CfDataset& d, const mapproj::Projection& p, const Names& n,
                    PointCoordinates points) {
  if (p.kind() == mapproj::Kind::kLatLon) {
    d.variables.push_back(
        coordinate("lat", {"lat"}, "latitude", "latitude", "degrees_north", "Y", p.ys()));
    d.variables.push_back(
        coordinate("lon", {"lon"}, "longitude", "longitude", "degrees_east", "X", p.xs()));
  } else {
    d.variables.push_back(coordinate("y", {"y"}, "projection_y_coordinate",
                                     "y coordinate of projection", "m", "Y", p.ys()));
    d.variables.push_back(coordinate("x", {"x"}, "projection_x_coordinate",
                                     "x coordinate of projection", "m", "X", p.xs()));
    const bool deferred = points == PointCoordinates::kDeferred;
    auto [lat, lon] =
        deferred ? std::pair<std::vector<double>, std::vector<double>>{} : point_latlons(p);
    CfVariable lat_var =
        coordinate("lat", {n.y, n.x}, "latitude", "latitude", "degrees_north", "", std::move(lat));
    CfVariable lon_var =
        coordinate("lon", {n.y, n.x}, "longitude", "longitude", "degrees_east", "", std::move(lon));
    lat_var.deferred = lon_var.deferred = deferred;
    d.variables.push_back(std::move(lat_var));
    d.variables.push_back(std::move(lon_var));
  }
  CfVariable crs{"crs", CfType::kInt, {}, {}, {}, -1};
  for (CfAttribute& a : grid_mapping_attributes(p)) {
    if (auto* s = std::get_if<std::string>(&a.value)) {
      crs.attrs.push_back(text(a.name, std::move(*s)));
    } else {
      crs.attrs.push_back({a.name, std::get<std::vector<double>>(std::move(a.value))});
    }
  }
  d.variables.push_back(std::move(crs));
}

// One float variable per parameter and vertical coordinate.
void add_data(CfDataset& d, const ExportPlan& plan, const params::Table& table, const Names& n,
              bool projected) {
  for (std::size_t k = 0; k < plan.variables.size(); ++k) {
    const VariablePlan& v = plan.variables[k];
    CfVariable out{v.name, CfType::kFloat, {}, {}, {}, static_cast<int>(k)};
    if (v.timed) out.dims.push_back("time");
    if (v.level_axis >= 0)
      out.dims.push_back(plan.level_axes[static_cast<std::size_t>(v.level_axis)].name);
    out.dims.push_back(n.y);
    out.dims.push_back(n.x);
    out.attrs.push_back({"_FillValue", std::vector<float>{kCfFill}});
    const params::Parameter* p = table.find(v.param);
    if (p != nullptr && !p->standard_name.empty())
      out.attrs.push_back(text("standard_name", p->standard_name));
    out.attrs.push_back(
        text("long_name", p != nullptr && !p->long_name.empty() ? p->long_name : v.param));
    if (p != nullptr && !p->units.empty()) out.attrs.push_back(text("units", p->units));
    out.attrs.push_back(text("grid_mapping", "crs"));
    // forecast_reference_time and forecast_period are found by their
    // standard_name; listed here, CDO warns it cannot assign them.
    if (projected) out.attrs.push_back(text("coordinates", "lat lon"));
    out.attrs.push_back(text("t2g_parameter", v.param));
    out.attrs.push_back({"t2g_vcoord", std::vector<int>{gridfile::vcoord_code(v.vcoord)}});
    out.attrs.push_back({"t2g_grid_numbers", v.grid_numbers});
    d.variables.push_back(std::move(out));
  }
}

}  // namespace

std::pair<std::vector<double>, std::vector<double>> point_latlons(const mapproj::Projection& p) {
  const auto nx = static_cast<std::size_t>(p.nx());
  const auto ny = static_cast<std::size_t>(p.ny());
  std::vector<double> lat(nx * ny), lon(nx * ny);
  for (std::size_t j = 0; j < ny; ++j) {
    for (std::size_t i = 0; i < nx; ++i) {
      const auto ll = p.latlon(static_cast<double>(i + 1), static_cast<double>(j + 1));
      lat[j * nx + i] = ll ? ll->lat : NC_FILL_DOUBLE;
      lon[j * nx + i] = ll ? ll->lon : NC_FILL_DOUBLE;
    }
  }
  return {std::move(lat), std::move(lon)};
}

CfDataset describe_dataset(const gridfile::Navigation& nav, const ExportPlan& plan,
                           const mapproj::Projection& proj, const params::Table& table,
                           const CfSource& source, PointCoordinates points) {
  const bool ced = proj.kind() == mapproj::Kind::kLatLon;
  Names n;
  n.timed = std::any_of(plan.variables.begin(), plan.variables.end(),
                        [](const VariablePlan& v) { return v.timed; });
  n.y = ced ? "lat" : "y";
  n.x = ced ? "lon" : "x";
  CfDataset d;
  add_globals(d, nav, source);
  add_dimensions(d, plan, nav, n);
  add_time(d, plan, n);
  add_levels(d, plan);
  add_horizontal(d, proj, n, points);
  add_data(d, plan, table, n, !ced);
  return d;
}

std::vector<std::size_t> shape_of(const CfDataset& d, const CfVariable& v) {
  std::vector<std::size_t> shape;
  shape.reserve(v.dims.size());
  for (const std::string& name : v.dims) {
    const auto it = std::find_if(d.dims.begin(), d.dims.end(),
                                 [&](const CfDimension& dim) { return dim.name == name; });
    shape.push_back(it == d.dims.end() ? 0 : it->length);
  }
  return shape;
}

}  // namespace nc
