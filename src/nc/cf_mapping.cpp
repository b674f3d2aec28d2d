// Writing and reading CF grid-mapping attributes.
#include "nc/cf_mapping.h"

#include <charconv>
#include <cmath>

#include "nc/refuse.h"

namespace nc {
namespace {

constexpr double kAngleTolerance = 1e-6;

std::string number(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

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

gridfile::Result<ImportedMapping> read_grid_mapping(const NumberAttribute& att,
                                                    const TextAttribute& text) {
  const std::optional<std::string> name = text("grid_mapping_name");
  if (!name) return refuse("the grid mapping has no grid_mapping_name");

  // One number of a required or optional attribute.
  std::string fault;
  auto one = [&](const char* attr, bool required) -> std::optional<double> {
    const auto v = att(attr);
    if (!v) {
      if (required && fault.empty()) fault = *name + " needs the attribute " + attr;
      return std::nullopt;
    }
    if (v->size() != 1 || !std::isfinite((*v)[0])) {
      if (fault.empty()) fault = *name + ": " + attr + " must be one number";
      return std::nullopt;
    }
    return (*v)[0];
  };
  auto latitude = [&](const char* attr, double value) {
    if (std::fabs(value) > 90 && fault.empty()) {
      fault = *name + ": " + attr + " " + number(value) + " is not a latitude";
    }
  };

  ImportedMapping m;
  // The earth.
  std::string earth;
  const auto radius = one("earth_radius", false);
  const auto major = one("semi_major_axis", false);
  const auto minor = one("semi_minor_axis", false);
  const auto inv_flat = one("inverse_flattening", false);
  if (radius) {
    if ((major && *major != *radius) || (minor && *minor != *radius) ||
        (inv_flat && *inv_flat != 0)) {
      return refuse(*name +
                    ": earth_radius contradicts semi_major_axis, semi_minor_axis or "
                    "inverse_flattening");
    }
    if (!(*radius > 0)) return refuse(*name + ": earth_radius must be positive");
    earth = " +R=" + number(*radius);
    m.our_sphere = *radius == mapproj::kEarthRadius;
  } else if (major) {
    if (!(*major > 0)) return refuse(*name + ": semi_major_axis must be positive");
    if (minor && inv_flat) {
      const double implied = *major / (*major - *minor);
      if (*minor != *major && std::fabs(implied - *inv_flat) > 1e-6 * *inv_flat) {
        return refuse(*name + ": semi_minor_axis and inverse_flattening disagree");
      }
    }
    if (inv_flat && *inv_flat != 0) {
      earth = " +a=" + number(*major) + " +rf=" + number(*inv_flat);
      m.our_sphere = false;
    } else if (minor && *minor != *major) {
      earth = " +a=" + number(*major) + " +b=" + number(*minor);
      m.our_sphere = false;
    } else {
      earth = " +R=" + number(*major);
      m.our_sphere = *major == mapproj::kEarthRadius;
    }
  } else if (minor || inv_flat) {
    return refuse(*name + ": semi_minor_axis or inverse_flattening without semi_major_axis");
  } else {
    earth = " +R=" + number(mapproj::kEarthRadius);
  }
  const double x0 = one("false_easting", false).value_or(0.0);
  const double y0 = one("false_northing", false).value_or(0.0);
  const std::string offsets = " +x_0=" + number(x0) + " +y_0=" + number(y0);

  if (*name == "latitude_longitude") {
    const auto pm = one("longitude_of_prime_meridian", false);
    if (pm && *pm != 0) return refuse("latitude_longitude with a prime meridian other than 0");
    m.projection = "CED";
    m.definition = "+proj=longlat" + earth + " +no_defs";
  } else if (*name == "lambert_conformal_conic") {
    const auto sp = att("standard_parallel");
    const auto lon0 = one("longitude_of_central_meridian", true);
    const auto lat0 = one("latitude_of_projection_origin", false);
    if (!sp) return refuse("lambert_conformal_conic needs the attribute standard_parallel");
    if (sp->empty() || sp->size() > 2) {
      return refuse("lambert_conformal_conic: standard_parallel must hold one or two latitudes");
    }
    for (double v : *sp) latitude("standard_parallel", v);
    const double sp1 = (*sp)[0], sp2 = sp->size() == 2 ? (*sp)[1] : (*sp)[0];
    if (lat0) latitude("latitude_of_projection_origin", *lat0);
    if (!fault.empty()) return refuse(fault);
    if (std::fabs(sp1 + sp2) < kAngleTolerance) {
      return refuse("lambert_conformal_conic: standard parallels " + number(sp1) + " and " +
                    number(sp2) + " make no cone");
    }
    m.projection = "LCC";
    m.angle1 = static_cast<float>(sp1);
    m.angle2 = static_cast<float>(*lon0);
    m.angle3 = static_cast<float>(sp2);
    m.definition = "+proj=lcc +lat_1=" + number(sp1) + " +lat_2=" + number(sp2) +
                   " +lat_0=" + number(lat0.value_or(sp1)) + " +lon_0=" + number(*lon0) + offsets +
                   earth + " +units=m +no_defs";
  } else if (*name == "polar_stereographic") {
    const auto lat0 = one("latitude_of_projection_origin", true);
    auto lon0 = one("straight_vertical_longitude_from_pole", false);
    if (!lon0) lon0 = one("longitude_of_projection_origin", false);
    const auto sp = att("standard_parallel");
    const auto k0 = one("scale_factor_at_projection_origin", false);
    if (!fault.empty()) return refuse(fault);
    if (!lon0) {
      return refuse(
          "polar_stereographic needs the attribute straight_vertical_longitude_from_pole");
    }
    if (std::fabs(std::fabs(*lat0) - 90) > kAngleTolerance) {
      return refuse("polar_stereographic: latitude_of_projection_origin " + number(*lat0) +
                    " is not a pole (oblique stereographic grids are not supported)");
    }
    const double pole = *lat0 > 0 ? 90 : -90;
    std::string scale;
    if (sp && k0) {
      return refuse(
          "polar_stereographic: give standard_parallel or "
          "scale_factor_at_projection_origin, not both");
    }
    if (sp) {
      if (sp->size() != 1)
        return refuse("polar_stereographic: standard_parallel must be one latitude");
      latitude("standard_parallel", (*sp)[0]);
      if (!fault.empty()) return refuse(fault);
      if ((*sp)[0] * pole <= 0) {
        return refuse("polar_stereographic: standard_parallel " + number((*sp)[0]) +
                      " lies in the other hemisphere than the pole");
      }
      scale = " +lat_ts=" + number((*sp)[0]);
    } else if (k0) {
      if (!(*k0 > 0)) return refuse("polar_stereographic: scale factor must be positive");
      scale = " +k_0=" + number(*k0);
    } else {
      return refuse(
          "polar_stereographic needs standard_parallel or "
          "scale_factor_at_projection_origin");
    }
    m.projection = "STR";
    m.angle1 = static_cast<float>(pole);
    m.angle2 = static_cast<float>(*lon0);
    m.definition = "+proj=stere +lat_0=" + number(pole) + " +lon_0=" + number(*lon0) + scale +
                   offsets + earth + " +units=m +no_defs";
  } else if (*name == "mercator") {
    const auto lon0 = one("longitude_of_projection_origin", true);
    const auto sp = att("standard_parallel");
    const auto k0 = one("scale_factor_at_projection_origin", false);
    if (!fault.empty()) return refuse(fault);
    double true_lat = 0;
    std::string scale;
    if (sp && k0) {
      return refuse(
          "mercator: give standard_parallel or scale_factor_at_projection_origin, "
          "not both");
    }
    if (sp) {
      if (sp->size() != 1 || std::fabs((*sp)[0]) >= 90) {
        return refuse("mercator: standard_parallel must be one latitude between the poles");
      }
      true_lat = (*sp)[0];
      scale = " +lat_ts=" + number(true_lat);
    } else if (k0) {
      if (!(*k0 > 0) || *k0 > 1) {
        return refuse("mercator: scale_factor_at_projection_origin must lie in (0, 1]");
      }
      true_lat = std::acos(*k0) * 180.0 / M_PI;
      scale = " +k_0=" + number(*k0);
    }
    m.projection = "MER";
    m.angle1 = static_cast<float>(true_lat);
    m.angle2 = static_cast<float>(*lon0);
    m.definition =
        "+proj=merc +lon_0=" + number(*lon0) + scale + offsets + earth + " +units=m +no_defs";
  } else {
    return refuse("unsupported grid mapping \"" + *name +
                  "\" (supported: latitude_longitude, lambert_conformal_conic, "
                  "polar_stereographic, mercator)");
  }
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
