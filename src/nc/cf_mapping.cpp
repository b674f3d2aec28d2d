// Writing and reading CF grid-mapping attributes.
#include "nc/cf_mapping.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "nc/refuse.h"

namespace nc {
namespace {

constexpr double kAngleTolerance = 1e-6;

CfAttribute num(std::string name, std::vector<double> v) {
  return {std::move(name), std::move(v)};
}

}  // namespace

std::vector<CfAttribute> grid_mapping_attributes(const mapproj::Projection& p) {
  std::vector<CfAttribute> a;
  switch (p.kind()) {
    case mapproj::Kind::kLatLon:
      a.push_back({"grid_mapping_name", std::string("latitude_longitude")});
      a.push_back(num("longitude_of_prime_meridian", {0.0}));
      break;
    case mapproj::Kind::kLambert:
      a.push_back({"grid_mapping_name", std::string("lambert_conformal_conic")});
      a.push_back(num("standard_parallel", p.angle1() == p.angle3()
                                               ? std::vector<double>{p.angle1()}
                                               : std::vector<double>{p.angle1(), p.angle3()}));
      a.push_back(num("longitude_of_central_meridian", {p.angle2()}));
      a.push_back(num("latitude_of_projection_origin", {p.angle1()}));
      break;
    case mapproj::Kind::kPolarStereographic:
      a.push_back({"grid_mapping_name", std::string("polar_stereographic")});
      a.push_back(num("straight_vertical_longitude_from_pole", {p.angle2()}));
      a.push_back(num("latitude_of_projection_origin", {p.angle1()}));
      a.push_back(num("scale_factor_at_projection_origin", {1.0}));
      break;
    case mapproj::Kind::kMercator:
      a.push_back({"grid_mapping_name", std::string("mercator")});
      a.push_back(num("longitude_of_projection_origin", {p.angle2()}));
      a.push_back(num("standard_parallel", {p.angle1()}));
      break;
  }
  if (p.kind() != mapproj::Kind::kLatLon) {
    a.push_back(num("false_easting", {0.0}));
    a.push_back(num("false_northing", {0.0}));
  }
  a.push_back(num("earth_radius", {mapproj::kEarthRadius}));
  const std::string wkt = p.wkt();
  if (!wkt.empty()) a.push_back({"crs_wkt", wkt});
  return a;
}

namespace {

// The attributes of one grid-mapping variable, read with the first fault
// (a required attribute missing, not one number, not a latitude) kept.
class MappingAttributes {
 public:
  MappingAttributes(std::string mapping, const NumberAttribute& att)
      : mapping_(std::move(mapping)), att_(att) {}
  const std::string& mapping() const { return mapping_; }
  std::optional<std::vector<double>> numbers(const char* name) const { return att_(name); }
  std::optional<double> one(const char* name, bool required) {
    const auto v = att_(name);
    if (!v) {
      if (required) note(mapping_ + " needs the attribute " + name);
      return std::nullopt;
    }
    if (v->size() != 1 || !std::isfinite((*v)[0])) {
      note(mapping_ + ": " + name + " must be one number");
      return std::nullopt;
    }
    return (*v)[0];
  }
  void latitude(const char* name, double value) {
    if (std::fabs(value) > 90) {
      note(mapping_ + ": " + name + " " + number_text(value) + " is not a latitude");
    }
  }
  const std::string& fault() const { return fault_; }

 private:
  void note(std::string text) {
    if (fault_.empty()) fault_ = std::move(text);
  }
  std::string mapping_;
  const NumberAttribute& att_;
  std::string fault_;
};

// The earth as PROJ parameters (" +R=..." or " +a=... +rf=..."), and whether
// it is the grid file's own sphere.
struct Earth {
  std::string proj;
  bool our_sphere = true;
};

gridfile::Result<Earth> read_earth(MappingAttributes& a) {
  const std::string& name = a.mapping();
  const auto radius = a.one("earth_radius", false);
  const auto major = a.one("semi_major_axis", false);
  const auto minor = a.one("semi_minor_axis", false);
  const auto inv_flat = a.one("inverse_flattening", false);
  if (radius) {
    if ((major && *major != *radius) || (minor && *minor != *radius) ||
        (inv_flat && *inv_flat != 0)) {
      return refuse(name +
                    ": earth_radius contradicts semi_major_axis, semi_minor_axis or "
                    "inverse_flattening");
    }
    if (!(*radius > 0)) return refuse(name + ": earth_radius must be positive");
    return Earth{" +R=" + number_text(*radius), *radius == mapproj::kEarthRadius};
  }
  if (!major) {
    if (minor || inv_flat) {
      return refuse(name + ": semi_minor_axis or inverse_flattening without semi_major_axis");
    }
    return Earth{" +R=" + number_text(mapproj::kEarthRadius), true};
  }
  if (!(*major > 0)) return refuse(name + ": semi_major_axis must be positive");
  if (minor && inv_flat) {
    const double implied = *major / (*major - *minor);
    if (*minor != *major && std::fabs(implied - *inv_flat) > 1e-6 * *inv_flat) {
      return refuse(name + ": semi_minor_axis and inverse_flattening disagree");
    }
  }
  if (inv_flat && *inv_flat != 0) {
    return Earth{" +a=" + number_text(*major) + " +rf=" + number_text(*inv_flat), false};
  }
  if (minor && *minor != *major) {
    return Earth{" +a=" + number_text(*major) + " +b=" + number_text(*minor), false};
  }
  return Earth{" +R=" + number_text(*major), *major == mapproj::kEarthRadius};
}

// What every projected mapping shares: the earth, the false origin and the
// prime meridian (added to the mapping's central longitude).
struct Common {
  std::string earth;              // PROJ parameters
  std::string earth_and_offsets;  // the same, after +x_0 and +y_0
  double prime_meridian = 0;
};

gridfile::Result<ImportedMapping> read_latitude_longitude(MappingAttributes& a, const Common& c) {
  if (c.prime_meridian != 0) {
    return refuse("latitude_longitude with a prime meridian other than 0");
  }
  ImportedMapping m;
  m.projection = "CED";
  m.definition = "+proj=longlat" + c.earth + " +no_defs";
  if (!a.fault().empty()) return refuse(a.fault());
  return m;
}

gridfile::Result<ImportedMapping> read_lambert(MappingAttributes& a, const Common& c) {
  const auto sp = a.numbers("standard_parallel");
  const auto lon0 = a.one("longitude_of_central_meridian", true);
  const auto lat0 = a.one("latitude_of_projection_origin", false);
  if (!sp) return refuse("lambert_conformal_conic needs the attribute standard_parallel");
  if (sp->empty() || sp->size() > 2) {
    return refuse("lambert_conformal_conic: standard_parallel must hold one or two latitudes");
  }
  for (double v : *sp) a.latitude("standard_parallel", v);
  const double sp1 = (*sp)[0], sp2 = sp->size() == 2 ? (*sp)[1] : (*sp)[0];
  if (lat0) a.latitude("latitude_of_projection_origin", *lat0);
  if (!a.fault().empty()) return refuse(a.fault());
  if (std::fabs(sp1 + sp2) < kAngleTolerance) {
    return refuse("lambert_conformal_conic: standard parallels " + number_text(sp1) + " and " +
                  number_text(sp2) + " make no cone");
  }
  const double lon = *lon0 + c.prime_meridian;
  ImportedMapping m;
  m.projection = "LCC";
  m.angle1 = static_cast<float>(sp1);
  m.angle2 = static_cast<float>(lon);
  m.angle3 = static_cast<float>(sp2);
  m.definition = "+proj=lcc +lat_1=" + number_text(sp1) + " +lat_2=" + number_text(sp2) +
                 " +lat_0=" + number_text(lat0.value_or(sp1)) + " +lon_0=" + number_text(lon) +
                 c.earth_and_offsets + " +units=m +no_defs";
  return m;
}

gridfile::Result<ImportedMapping> read_polar_stereographic(MappingAttributes& a, const Common& c) {
  const auto lat0 = a.one("latitude_of_projection_origin", true);
  auto lon0 = a.one("straight_vertical_longitude_from_pole", false);
  if (!lon0) lon0 = a.one("longitude_of_projection_origin", false);
  const auto sp = a.numbers("standard_parallel");
  const auto k0 = a.one("scale_factor_at_projection_origin", false);
  if (!a.fault().empty()) return refuse(a.fault());
  if (!lon0) {
    return refuse("polar_stereographic needs the attribute straight_vertical_longitude_from_pole");
  }
  if (std::fabs(std::fabs(*lat0) - 90) > kAngleTolerance) {
    return refuse("polar_stereographic: latitude_of_projection_origin " + number_text(*lat0) +
                  " is not a pole (oblique stereographic grids are not supported)");
  }
  const double pole = *lat0 > 0 ? 90 : -90;
  if (sp && k0) {
    return refuse(
        "polar_stereographic: give standard_parallel or "
        "scale_factor_at_projection_origin, not both");
  }
  std::string scale;
  if (sp) {
    if (sp->size() != 1)
      return refuse("polar_stereographic: standard_parallel must be one latitude");
    a.latitude("standard_parallel", (*sp)[0]);
    if (!a.fault().empty()) return refuse(a.fault());
    if ((*sp)[0] * pole <= 0) {
      return refuse("polar_stereographic: standard_parallel " + number_text((*sp)[0]) +
                    " lies in the other hemisphere than the pole");
    }
    scale = " +lat_ts=" + number_text((*sp)[0]);
  } else if (k0) {
    if (!(*k0 > 0)) return refuse("polar_stereographic: scale factor must be positive");
    scale = " +k_0=" + number_text(*k0);
  } else {
    return refuse(
        "polar_stereographic needs standard_parallel or scale_factor_at_projection_origin");
  }
  const double lon = *lon0 + c.prime_meridian;
  ImportedMapping m;
  m.projection = "STR";
  m.angle1 = static_cast<float>(pole);
  m.angle2 = static_cast<float>(lon);
  m.definition = "+proj=stere +lat_0=" + number_text(pole) + " +lon_0=" + number_text(lon) + scale +
                 c.earth_and_offsets + " +units=m +no_defs";
  return m;
}

gridfile::Result<ImportedMapping> read_mercator(MappingAttributes& a, const Common& c) {
  const auto lon0 = a.one("longitude_of_projection_origin", true);
  const auto sp = a.numbers("standard_parallel");
  const auto k0 = a.one("scale_factor_at_projection_origin", false);
  if (!a.fault().empty()) return refuse(a.fault());
  if (sp && k0) {
    return refuse(
        "mercator: give standard_parallel or scale_factor_at_projection_origin, not both");
  }
  double true_lat = 0;
  std::string scale;
  if (sp) {
    if (sp->size() != 1 || std::fabs((*sp)[0]) >= 90) {
      return refuse("mercator: standard_parallel must be one latitude between the poles");
    }
    true_lat = (*sp)[0];
    scale = " +lat_ts=" + number_text(true_lat);
  } else if (k0) {
    if (!(*k0 > 0) || *k0 > 1) {
      return refuse("mercator: scale_factor_at_projection_origin must lie in (0, 1]");
    }
    true_lat = std::acos(*k0) * 180.0 / M_PI;
    scale = " +k_0=" + number_text(*k0);
  }
  const double lon = *lon0 + c.prime_meridian;
  ImportedMapping m;
  m.projection = "MER";
  m.angle1 = static_cast<float>(true_lat);
  m.angle2 = static_cast<float>(lon);
  m.definition =
      "+proj=merc +lon_0=" + number_text(lon) + scale + c.earth_and_offsets + " +units=m +no_defs";
  return m;
}

using MappingReader = gridfile::Result<ImportedMapping> (*)(MappingAttributes&, const Common&);
struct MappingKind {
  std::string_view name;
  MappingReader read;
};
constexpr MappingKind kMappings[] = {
    {"latitude_longitude", read_latitude_longitude},
    {"lambert_conformal_conic", read_lambert},
    {"polar_stereographic", read_polar_stereographic},
    {"mercator", read_mercator},
};

}  // namespace

gridfile::Result<ImportedMapping> read_grid_mapping(const NumberAttribute& att,
                                                    const TextAttribute& text) {
  const std::optional<std::string> name = text("grid_mapping_name");
  if (!name) return refuse("the grid mapping has no grid_mapping_name");
  const MappingKind* kind = nullptr;
  for (const MappingKind& k : kMappings) {
    if (k.name == *name) kind = &k;
  }
  if (kind == nullptr) {
    return refuse("unsupported grid mapping \"" + *name +
                  "\" (supported: latitude_longitude, lambert_conformal_conic, "
                  "polar_stereographic, mercator)");
  }
  MappingAttributes a(*name, att);
  gridfile::Result<Earth> earth = read_earth(a);
  if (!earth) return earth.error();
  Common c;
  c.prime_meridian = a.one("longitude_of_prime_meridian", false).value_or(0.0);
  const double x0 = a.one("false_easting", false).value_or(0.0);
  const double y0 = a.one("false_northing", false).value_or(0.0);
  if (!a.fault().empty()) return refuse(a.fault());
  c.earth = earth->proj;
  c.earth_and_offsets = " +x_0=" + number_text(x0) + " +y_0=" + number_text(y0) + earth->proj;
  gridfile::Result<ImportedMapping> m = kind->read(a, c);
  if (m) m->our_sphere = earth->our_sphere;
  return m;
}

std::optional<double> length_units(std::string_view units) {
  for (std::string_view m : {"m", "meter", "meters", "metre", "metres"}) {
    if (units == m) return 1.0;
  }
  for (std::string_view km : {"km", "kilometer", "kilometers", "kilometre", "kilometres"}) {
    if (units == km) return 1000.0;
  }
  return std::nullopt;
}

}  // namespace nc
