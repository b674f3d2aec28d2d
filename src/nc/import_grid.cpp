// Reading a variable's horizontal grid into a navigation.
#include "nc/import_grid.h"

#include <netcdf.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "nc/cf_mapping.h"
#include "nc/refuse.h"
#include "proj/crs_text.h"
#include "proj/projection.h"

namespace nc {
namespace {

constexpr double kDegreeSlack = 1e-5;         // degrees, single-precision coordinates
constexpr double kMetreSlack = 1e-3;          // metres
constexpr double kDisplacementWarning = 1.0;  // metres

bool is_longitude(const NcFile& f, int v) {
  if (v < 0) return false;
  return one_of(f.text_att(v, "standard_name"), {"longitude"}) ||
         one_of(f.text_att(v, "units"),
                {"degrees_east", "degree_east", "degree_E", "degrees_E", "degreeE", "degreesE"});
}

bool is_latitude(const NcFile& f, int v) {
  if (v < 0) return false;
  return one_of(f.text_att(v, "standard_name"), {"latitude"}) ||
         one_of(f.text_att(v, "units"),
                {"degrees_north", "degree_north", "degree_N", "degrees_N", "degreeN", "degreesN"});
}

bool is_projection_coordinate(const NcFile& f, int v, char axis) {
  if (v < 0) return false;
  const std::string sn = axis == 'X' ? "projection_x_coordinate" : "projection_y_coordinate";
  return one_of(f.text_att(v, "standard_name"), {sn}) ||
         one_of(f.text_att(v, "axis"), {std::string(1, axis)});
}

// The grid-mapping variable a data variable names: "crs", or the first name of
// the extended form "crs: x y".
std::optional<std::string> mapping_name(const NcFile& f, int varid) {
  std::optional<std::string> gm = f.text_att(varid, "grid_mapping");
  if (!gm) return std::nullopt;
  std::string name = *gm;
  const std::size_t start = name.find_first_not_of(" \t");
  if (start == std::string::npos) return std::string();
  name = name.substr(start);
  const std::size_t end = name.find_first_of(" \t:");
  return end == std::string::npos ? name : name.substr(0, end);
}

struct Axis {
  std::vector<double> raw;     // as stored
  std::vector<double> values;  // in increasing order
  bool reversed = false;
  double step = 0;
};

// Checks that coordinate values are monotonic and evenly spaced.
gridfile::Result<Axis> even_axis(std::vector<double> v, const std::string& name, double slack) {
  Axis a;
  a.raw = v;
  for (double x : v) {
    if (!std::isfinite(x))
      return refuse("coordinate " + name + " holds a value that is not a number");
  }
  if (v.size() >= 2) {
    a.reversed = v[1] < v[0];
    if (a.reversed) std::reverse(v.begin(), v.end());
    for (std::size_t k = 1; k < v.size(); ++k) {
      if (!(v[k] > v[k - 1])) {
        return refuse("coordinate " + name + " is not monotonic (values " +
                      number_text(v[k - 1], 8) + " and " + number_text(v[k], 8) + ")");
      }
    }
    a.step = (v.back() - v.front()) / static_cast<double>(v.size() - 1);
    const double tolerance = std::max(kSpacingTolerance * a.step, slack);
    for (std::size_t k = 1; k < v.size(); ++k) {
      const double step = v[k] - v[k - 1];
      if (std::fabs(step - a.step) > tolerance) {
        return refuse("coordinate " + name + " is not evenly spaced: step " + number_text(step, 8) +
                      " between " + number_text(v[k - 1], 8) + " and " + number_text(v[k], 8) +
                      ", mean step " + number_text(a.step, 8) + " (tolerance 0.1%)");
      }
    }
  }
  a.values = std::move(v);
  return a;
}

// The navigation kept by grid2nc, when the file still holds it.
std::optional<gridfile::Navigation> kept_navigation(const NcFile& f) {
  const auto proj = f.text_att(NC_GLOBAL, "t2g_projection");
  const auto size = f.number_att(NC_GLOBAL, "t2g_grid_size");
  const auto corners = f.number_att(NC_GLOBAL, "t2g_corners");
  const auto angles = f.number_att(NC_GLOBAL, "t2g_angles");
  if (!proj || !size || !corners || !angles || size->size() != 2 || corners->size() != 4 ||
      angles->size() != 3) {
    return std::nullopt;
  }
  gridfile::Navigation n;
  n.projection = *proj;
  n.nx = static_cast<int>((*size)[0]);
  n.ny = static_cast<int>((*size)[1]);
  n.lat1 = static_cast<float>((*corners)[0]);
  n.lon1 = static_cast<float>((*corners)[1]);
  n.lat2 = static_cast<float>((*corners)[2]);
  n.lon2 = static_cast<float>((*corners)[3]);
  n.angle1 = static_cast<float>((*angles)[0]);
  n.angle2 = static_cast<float>((*angles)[1]);
  n.angle3 = static_cast<float>((*angles)[2]);
  return n;
}

std::string family(const std::string& projection) {
  return projection == "NPS" || projection == "SPS" ? "STR" : projection;
}

// Whether a projection's columns and rows fall on the coordinates as stored.
bool same_points(const mapproj::Projection& p, const Axis& x, const Axis& y, double slack) {
  const std::vector<double> xs = p.xs(), ys = p.ys();
  if (xs.size() != x.raw.size() || ys.size() != y.raw.size()) return false;
  const double tx = std::max(kSpacingTolerance * std::fabs(p.dx()), slack);
  const double ty = std::max(kSpacingTolerance * std::fabs(p.dy()), slack);
  for (std::size_t k = 0; k < xs.size(); ++k) {
    if (std::fabs(xs[k] - x.raw[k]) > tx) return false;
  }
  for (std::size_t k = 0; k < ys.size(); ++k) {
    if (std::fabs(ys[k] - y.raw[k]) > ty) return false;
  }
  return true;
}

}  // namespace

bool looks_horizontal(const NcFile& f, int varid) {
  const std::vector<int> dims = f.var_dims(varid);
  if (dims.size() < 2) return false;
  const int cy = coordinate_var(f, dims[dims.size() - 2]);
  const int cx = coordinate_var(f, dims[dims.size() - 1]);
  if (is_longitude(f, cx) && is_latitude(f, cy)) return true;
  if (is_projection_coordinate(f, cx, 'X') && is_projection_coordinate(f, cy, 'Y')) return true;
  return f.text_att(varid, "grid_mapping").has_value();
}

std::optional<std::string> transposed_grid(const NcFile& f, int varid) {
  const std::vector<int> dims = f.var_dims(varid);
  if (dims.size() < 2) return std::nullopt;
  const int first = dims[dims.size() - 2], second = dims[dims.size() - 1];
  const int c1 = coordinate_var(f, first), c2 = coordinate_var(f, second);
  const bool swapped =
      (is_longitude(f, c1) && is_latitude(f, c2)) ||
      (is_projection_coordinate(f, c1, 'X') && is_projection_coordinate(f, c2, 'Y'));
  if (!swapped) return std::nullopt;
  const std::string x = f.dim_name(first), y = f.dim_name(second);
  return f.var_name(varid) + ": its last two dimensions are (" + x + ", " + y +
         "), x before y; a grid needs y before x (reorder them first, for example with ncpdq -a " +
         y + "," + x + ")";
}

namespace {

// The PROJ name of a grid file projection's family.
std::string_view proj_name(const std::string& projection) {
  if (projection == "LCC") return "lcc";
  if (projection == "MER") return "merc";
  return "stere";
}

// A projected mapping's own text description (crs_wkt, or GDAL's
// spatial_ref), read with PROJ, replaces the definition made of the CF
// attributes: it is the one its writer used (GDAL's Web Mercator is a
// spherical projection of ellipsoidal coordinates, which no CF attribute
// says). Refused when it describes another projection.
gridfile::Status prefer_crs_text(const NcFile& f, int gm, ImportedMapping& m,
                                 std::vector<std::string>& warnings) {
  const char* attribute = "crs_wkt";
  std::optional<std::string> text = f.text_att(gm, attribute);
  if (!text) text = f.text_att(gm, attribute = "spatial_ref");
  if (!text || m.projection == "CED") return {};
  gridfile::Result<std::string> definition = mapproj::projected_definition(*text);
  if (!definition) {
    warnings.push_back(std::string(attribute) + ": " + definition.error().text +
                       "; the CF attributes are used");
    return {};
  }
  const std::string want = "+proj=" + std::string(proj_name(m.projection)) + " ";
  if (definition->rfind(want, 0) != 0) {
    return refuse(std::string(attribute) + " describes \"" + *definition +
                  "\", another projection than its grid_mapping_name");
  }
  m.definition = *definition;
  return {};
}

// The grid mapping of a variable: named, or implied by latitude/longitude
// coordinates.
gridfile::Result<ImportedMapping> variable_mapping(const NcFile& f, int varid, int cx, int cy,
                                                   HorizontalGrid& g) {
  const std::string var = f.var_name(varid);
  const std::optional<std::string> gm_name = mapping_name(f, varid);
  if (!gm_name) {
    if (!is_longitude(f, cx) || !is_latitude(f, cy)) {
      return refuse(var + ": no grid_mapping, and its last two dimensions (" + f.dim_name(g.y_dim) +
                    ", " + f.dim_name(g.x_dim) + ") are not latitude and longitude");
    }
    ImportedMapping m;
    m.projection = "CED";
    return m;
  }
  const int gm = f.var_id(*gm_name);
  if (gm < 0) {
    return refuse(var + ": grid_mapping names \"" + *gm_name + "\", which is not in the file");
  }
  gridfile::Result<ImportedMapping> m =
      read_grid_mapping([&](const char* a) { return f.number_att(gm, a); },
                        [&](const char* a) { return f.text_att(gm, a); });
  if (!m) return refuse(var + ": grid mapping " + *gm_name + ": " + m.error().text);
  if (gridfile::Status st = prefer_crs_text(f, gm, *m, g.warnings); !st.ok()) {
    return refuse(var + ": grid mapping " + *gm_name + ": " + st.error().text);
  }
  return m;
}

// Latitude and longitude coordinates of a latitude_longitude grid; the
// corners into the navigation.
gridfile::Status latlon_axes(const NcFile& f, const std::string& var, int cx, int cy, Axis& xa,
                             Axis& ya, gridfile::Navigation& nav) {
  if (!is_longitude(f, cx) || !is_latitude(f, cy)) {
    return refuse(var +
                  ": a latitude_longitude grid needs latitude and longitude coordinate "
                  "variables for its last two dimensions");
  }
  auto lat = f.read_doubles(cy);
  auto lon = f.read_doubles(cx);
  if (!lat) return lat.error();
  if (!lon) return lon.error();
  auto y = even_axis(std::move(*lat), f.var_name(cy), kDegreeSlack);
  if (!y) return y.error();
  auto x = even_axis(std::move(*lon), f.var_name(cx), kDegreeSlack);
  if (!x) return x.error();
  ya = std::move(*y);
  xa = std::move(*x);
  if (std::fabs(ya.values.front()) > 90 || std::fabs(ya.values.back()) > 90) {
    return refuse(var + ": latitudes beyond the poles");
  }
  if (xa.values.back() - xa.values.front() >= 360 + kDegreeSlack) {
    return refuse(var + ": longitudes span more than 360 degrees");
  }
  nav.lat1 = static_cast<float>(ya.values.front());
  nav.lon1 = static_cast<float>(xa.values.front());
  nav.lat2 = static_cast<float>(ya.values.back());
  nav.lon2 = static_cast<float>(xa.values.back());
  return {};
}

// Projection coordinates in metres.
gridfile::Status projected_axes(const NcFile& f, const std::string& var, int cx, int cy,
                                const std::string& mapping, Axis& xa, Axis& ya,
                                std::vector<std::string>& warnings) {
  if (!is_projection_coordinate(f, cx, 'X') || !is_projection_coordinate(f, cy, 'Y')) {
    return refuse(var + ": a " + mapping +
                  " grid needs projection_x_coordinate and projection_y_coordinate variables "
                  "for its last two dimensions");
  }
  const int cvars[2] = {cx, cy};
  Axis* axes[2] = {&xa, &ya};
  for (int k = 0; k < 2; ++k) {
    double scale = 1;
    const std::optional<std::string> units = f.text_att(cvars[k], "units");
    if (!units) {
      warnings.push_back("coordinate " + f.var_name(cvars[k]) + " has no units; read as metres");
    } else if (const std::optional<double> s = length_units(*units)) {
      scale = *s;
    } else {
      return refuse(var + ": coordinate " + f.var_name(cvars[k]) + " has the units \"" + *units +
                    "\", not a length");
    }
    auto values = f.read_doubles(cvars[k]);
    if (!values) return values.error();
    for (double& v : *values) v *= scale;
    auto axis = even_axis(std::move(*values), f.var_name(cvars[k]), kMetreSlack);
    if (!axis) return axis.error();
    *axes[k] = std::move(*axis);
  }
  return {};
}

// The corners of a projected grid, placed by the file's own projection, and
// a warning when the grid file's projection through those corners puts
// points elsewhere than the file does.
gridfile::Status place_projected(const std::string& var, const ImportedMapping& m, const Axis& xa,
                                 const Axis& ya, gridfile::Navigation& nav,
                                 std::vector<std::string>& warnings) {
  gridfile::Result<mapproj::Transform> t = mapproj::Transform::create(m.definition);
  if (!t) return refuse(var + ": " + t.error().text);
  const auto c1 = t->inverse(xa.values.front(), ya.values.front());
  const auto c2 = t->inverse(xa.values.back(), ya.values.back());
  if (!c1 || !c2) return refuse(var + ": the grid's corners lie outside its projection");
  nav.lat1 = static_cast<float>(c1->lat);
  nav.lon1 = static_cast<float>(c1->lon);
  nav.lat2 = static_cast<float>(c2->lat);
  nav.lon2 = static_cast<float>(c2->lon);

  gridfile::Result<mapproj::Projection> ours = mapproj::Projection::from(nav);
  if (!ours) return refuse(var + ": " + ours.error().text);
  double worst = 0;
  const std::size_t stepx = std::max<std::size_t>(1, xa.values.size() / 10);
  const std::size_t stepy = std::max<std::size_t>(1, ya.values.size() / 10);
  for (std::size_t j = 0; j < ya.values.size(); j += stepy) {
    for (std::size_t i = 0; i < xa.values.size(); i += stepx) {
      const auto theirs = t->inverse(xa.values[i], ya.values[j]);
      const auto mine = ours->latlon(static_cast<double>(i + 1), static_cast<double>(j + 1));
      if (theirs && mine) worst = std::max(worst, mapproj::distance(*theirs, *mine));
    }
  }
  if (worst > kDisplacementWarning) {
    warnings.push_back((m.our_sphere ? std::string("the grid's points")
                                     : std::string("the file's earth is not the 6,371,200 m "
                                                   "sphere; grid points")) +
                       " move by up to " + number_text(worst / 1000.0, 8) + " km (corners kept)");
  }
  return {};
}

// The navigation grid2nc kept, when it still describes these coordinates.
void adopt_kept_navigation(const NcFile& f, const Axis& xa, const Axis& ya, double slack,
                           HorizontalGrid& g) {
  const std::optional<gridfile::Navigation> kept = kept_navigation(f);
  if (!kept) return;
  gridfile::Result<mapproj::Projection> p = mapproj::Projection::from(*kept);
  if (family(kept->projection) == family(g.nav.projection) && kept->nx == g.nav.nx &&
      kept->ny == g.nav.ny && p && same_points(*p, xa, ya, slack)) {
    g.nav = *kept;  // exact, and in its own row and column order
    g.flip_columns = false;
    g.flip_rows = false;
  } else {
    g.warnings.push_back(
        "the grid-file navigation kept in the file no longer matches its "
        "coordinates; it is ignored");
  }
}

}  // namespace

std::optional<std::string> curvilinear_grid(const NcFile& f, int varid) {
  bool lat = false, lon = false;
  for (const std::string& name : attribute_words(f, varid, "coordinates")) {
    const int c = f.var_id(name);
    if (c >= 0 && f.var_dims(c).size() == 2) {
      lat = lat || is_latitude(f, c);
      lon = lon || is_longitude(f, c);
    }
  }
  if (!lat || !lon) return std::nullopt;
  return f.var_name(varid) +
         ": it lies on a curvilinear grid (2-D latitude and longitude), which a grid file "
         "cannot hold; regrid it first, for example with cdo remapbil";
}

gridfile::Result<HorizontalGrid> read_horizontal_grid(const NcFile& f, int varid) {
  HorizontalGrid g;
  const std::string var = f.var_name(varid);
  const std::vector<int> dims = f.var_dims(varid);
  if (dims.size() < 2) return refuse(var + " has fewer than two dimensions: not a grid");
  if (std::optional<std::string> why = transposed_grid(f, varid)) return refuse(*why);
  g.y_dim = dims[dims.size() - 2];
  g.x_dim = dims[dims.size() - 1];
  const auto ny = static_cast<long long>(f.dim_len(g.y_dim));
  const auto nx = static_cast<long long>(f.dim_len(g.x_dim));
  if (nx < 1 || ny < 1) return refuse(var + " has an empty dimension");
  if (nx > kMaxGridSide || ny > kMaxGridSide || nx * ny > kMaxGridPoints) {
    return refuse(var + ": " + std::to_string(nx) + " x " + std::to_string(ny) +
                  " points are too many for a grid (at most 2^24 a side and 2^30 in all)");
  }
  const int cy = coordinate_var(f, g.y_dim);
  const int cx = coordinate_var(f, g.x_dim);
  gridfile::Result<ImportedMapping> m = variable_mapping(f, varid, cx, cy, g);
  if (!m) return m.error();
  g.mapping = m->projection == "CED" ? "latitude_longitude" : m->projection;

  g.nav.projection = m->projection;
  g.nav.nx = static_cast<int>(nx);
  g.nav.ny = static_cast<int>(ny);
  g.nav.angle1 = m->angle1;
  g.nav.angle2 = m->angle2;
  g.nav.angle3 = m->angle3;
  Axis xa, ya;
  if (m->projection == "CED") {
    if (gridfile::Status st = latlon_axes(f, var, cx, cy, xa, ya, g.nav); !st.ok()) {
      return st.error();
    }
  } else {
    const std::string mapping =
        f.text_att(f.var_id(*mapping_name(f, varid)), "grid_mapping_name").value_or("projected");
    gridfile::Status st = projected_axes(f, var, cx, cy, mapping, xa, ya, g.warnings);
    if (st.ok()) st = place_projected(var, *m, xa, ya, g.nav, g.warnings);
    if (!st.ok()) return st.error();
  }
  g.flip_columns = xa.reversed;
  g.flip_rows = ya.reversed;
  adopt_kept_navigation(f, xa, ya, m->projection == "CED" ? kDegreeSlack : kMetreSlack, g);
  return g;
}

}  // namespace nc
