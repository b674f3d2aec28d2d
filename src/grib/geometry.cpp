// Grid definition templates 3.0, 3.10, 3.20 and 3.30 from and to a
// navigation. Angles are written in micro-degrees and lengths in millimetres
// (the templates' units); corners GRIB2 does not carry (the last point of
// 3.20 and 3.30) are found again with PROJ on the message's sphere.
#include "grib/geometry.h"

#include <cmath>
#include <cstdio>

#include "grib/codes.h"
#include "proj/projection.h"

namespace grib {
namespace {

constexpr double kMicro = 1e6;
constexpr long kFullCircle = 360'000'000;  // micro-degrees
constexpr int kSouthPoleFlag = 128;        // projectionCentreFlag: south pole on the plane
enum Template : long { kLatLon = 0, kMercator = 10, kPolar = 20, kLambert = 30 };

gridfile::Error refusal(std::string text) {
  return base::Error(base::Source::kGrib, gridfile::kBadArgument, std::move(text));
}

long micro(double degrees) {
  return std::lround(degrees * kMicro);
}
// A longitude in micro-degrees, 0 .. 360 degrees as GRIB2 writes them.
long micro_lon(double degrees) {
  const long m = micro(degrees) % kFullCircle;
  return m < 0 ? m + kFullCircle : m;
}
long millimetres(double metres) {
  return std::lround(std::fabs(metres) * 1000.0);
}
// Degrees from micro-degrees; longitudes in -180 .. 180.
double degrees(long m) {
  return static_cast<double>(m) / kMicro;
}
double lon_degrees(long m) {
  long v = m % kFullCircle;
  if (v < 0) v += kFullCircle;
  if (v >= kFullCircle / 2) v -= kFullCircle;
  return degrees(v);
}
// A computed angle as the navigation keeps it: to the micro-degree GRIB2
// carries, so that corners given to six decimals come back as they were.
float nav_angle(double degrees_value) {
  return static_cast<float>(std::round(degrees_value * kMicro) / kMicro);
}

void set_sphere(Keys& k) {
  k.set("shapeOfTheEarth", 1L);  // a sphere of the radius given
  k.set("scaleFactorOfRadiusOfSphericalEarth", 0L);
  k.set("scaledValueOfRadiusOfSphericalEarth", static_cast<long>(mapproj::kEarthRadius));
}

void set_scanning(Keys& k, double dx, double dy) {
  k.set("iScansNegatively", dx < 0 ? 1L : 0L);
  k.set("jScansPositively", dy >= 0 ? 1L : 0L);
  k.set("jPointsAreConsecutive", 0L);
}

void set_first_point(Keys& k, const gridfile::Navigation& nav) {
  k.set("latitudeOfFirstGridPoint", micro(nav.lat1));
  k.set("longitudeOfFirstGridPoint", micro_lon(nav.lon1));
}

void write_latlon(Keys& k, const gridfile::Navigation& nav, const mapproj::Projection& p) {
  k.set("Ni", static_cast<long>(nav.nx));
  k.set("Nj", static_cast<long>(nav.ny));
  set_first_point(k, nav);
  k.set("latitudeOfLastGridPoint", micro(nav.lat2));
  k.set("longitudeOfLastGridPoint", micro_lon(nav.lon2));
  k.set("ijDirectionIncrementGiven", 1L);
  k.set("iDirectionIncrement", micro(std::fabs(p.dx())));
  k.set("jDirectionIncrement", micro(std::fabs(p.dy())));
  set_scanning(k, p.dx(), p.dy());
}

void write_projected(Keys& k, const gridfile::Navigation& nav, const mapproj::Projection& p) {
  const char* dx_key = p.kind() == mapproj::Kind::kMercator ? "Di" : "Dx";
  const char* dy_key = p.kind() == mapproj::Kind::kMercator ? "Dj" : "Dy";
  k.set(p.kind() == mapproj::Kind::kMercator ? "Ni" : "Nx", static_cast<long>(nav.nx));
  k.set(p.kind() == mapproj::Kind::kMercator ? "Nj" : "Ny", static_cast<long>(nav.ny));
  set_first_point(k, nav);
  switch (p.kind()) {
    case mapproj::Kind::kMercator:
      k.set("LaD", micro(p.angle1()));
      k.set("latitudeOfLastGridPoint", micro(nav.lat2));
      k.set("longitudeOfLastGridPoint", micro_lon(nav.lon2));
      k.set("orientationOfTheGrid", 0L);
      break;
    case mapproj::Kind::kPolarStereographic:
      k.set("LaD", micro(90.0 * p.pole()));  // true at the pole
      k.set("orientationOfTheGrid", micro_lon(p.angle2()));
      k.set("projectionCentreFlag", p.pole() > 0 ? 0L : static_cast<long>(kSouthPoleFlag));
      break;
    default:  // Lambert conformal
      k.set("LaD", micro(p.angle1()));
      k.set("LoV", micro_lon(p.angle2()));
      k.set("Latin1", micro(p.angle1()));
      k.set("Latin2", micro(p.angle3()));
      k.set("projectionCentreFlag", p.angle1() >= 0 ? 0L : static_cast<long>(kSouthPoleFlag));
      k.set("latitudeOfSouthernPole", -90L * 1'000'000L);
      k.set("longitudeOfSouthernPole", 0L);
      break;
  }
  k.set(dx_key, millimetres(p.dx()));
  k.set(dy_key, millimetres(p.dy()));
  set_scanning(k, p.dx(), p.dy());
}

// Why a message's grid has no navigation, from its gridType.
std::string unsupported_grid(const std::string& type, long template_number) {
  const std::string what = " (" + type + ", template 3." + std::to_string(template_number) + ")";
  if (type.find("rotated") != std::string::npos) {
    return "a rotated grid" + what + ": a grid file has no rotated pole";
  }
  if (type.find("_gg") != std::string::npos) {
    return "a Gaussian grid" + what + ": a grid file has no Gaussian latitudes";
  }
  if (type == "sh") return "spherical harmonics" + what + ": spectral data is not a grid";
  if (type == "unstructured_grid") {
    return "an unstructured grid" + what + ": a grid file holds rows and columns";
  }
  if (type == "reduced_ll") {
    return "a reduced grid" + what + ": a grid file's rows all have one length";
  }
  return "grid" + what +
         " is not read (known: regular_ll, mercator, polar_stereographic, "
         "lambert)";
}

gridfile::Result<double> sphere_radius(Keys& k) {
  const long shape = k.get_long("shapeOfTheEarth").value_or(-1);
  switch (shape) {
    case 0:
      return 6367470.0;
    case 6:
      return 6371229.0;
    case 8:
      return 6371200.0;
    case 1: {
      const double scaled = k.get_double("scaledValueOfRadiusOfSphericalEarth").value_or(0);
      const double factor = k.get_double("scaleFactorOfRadiusOfSphericalEarth").value_or(0);
      if (scaled > 0) return scaled * std::pow(10.0, -factor);
      break;
    }
    default:
      break;
  }
  return refusal("a projected grid on the earth of shape " + std::to_string(shape) +
                 " (code table 3.2): a grid file's projections lie on a sphere");
}

// The last point of a 3.20 or 3.30 grid: the first point moved by the grid's
// extent in the projection's plane.
gridfile::Status find_last_point(Keys& k, const std::string& definition,
                                 gridfile::Navigation& nav) {
  auto t = mapproj::Transform::create(definition);
  if (!t) return t.error();
  const double lat1 = degrees(k.get_long("latitudeOfFirstGridPoint").value_or(0));
  const double lon1 = lon_degrees(k.get_long("longitudeOfFirstGridPoint").value_or(0));
  nav.lat1 = static_cast<float>(lat1);
  nav.lon1 = static_cast<float>(lon1);
  const auto first = t->forward(lat1, lon1);
  const double dx = k.get_double("Dx").value_or(0) / 1000.0;
  const double dy = k.get_double("Dy").value_or(0) / 1000.0;
  const double sx = k.get_long("iScansNegatively").value_or(0) != 0 ? -1 : 1;
  const double sy = k.get_long("jScansPositively").value_or(1) != 0 ? 1 : -1;
  if (!first) return refusal("the first grid point cannot be projected with " + definition);
  const auto last =
      t->inverse(first->first + sx * dx * (nav.nx - 1), first->second + sy * dy * (nav.ny - 1));
  if (!last) return refusal("the last grid point lies outside " + definition);
  nav.lat2 = nav_angle(last->lat);
  nav.lon2 = nav_angle(lon_degrees(std::lround(last->lon * kMicro)));
  return {};
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

gridfile::Status read_projected(Keys& k, long number_of_template, gridfile::Navigation& nav) {
  const auto radius = sphere_radius(k);
  if (!radius) return radius.error();
  const std::string earth = " +R=" + number(*radius) + " +units=m +no_defs";
  nav.nx = static_cast<int>(k.get_long("Nx").value_or(0));
  nav.ny = static_cast<int>(k.get_long("Ny").value_or(0));
  if (number_of_template == kPolar) {
    const bool south = (k.get_long("projectionCentreFlag").value_or(0) & kSouthPoleFlag) != 0;
    double true_lat = degrees(k.get_long("LaD").value_or(0));
    if (true_lat == 0) true_lat = south ? -90 : 90;
    nav.projection = south ? "SPS" : "NPS";
    nav.angle1 = south ? -90.0f : 90.0f;
    const double orientation = lon_degrees(k.get_long("orientationOfTheGrid").value_or(0));
    nav.angle2 = static_cast<float>(orientation);
    return find_last_point(k,
                           "+proj=stere +lat_0=" + number(nav.angle1) + " +lat_ts=" +
                               number(true_lat) + " +lon_0=" + number(orientation) + earth,
                           nav);
  }
  const double latin1 = degrees(k.get_long("Latin1").value_or(0));
  const double latin2 = degrees(k.get_long("Latin2").value_or(0));
  const double lov = lon_degrees(k.get_long("LoV").value_or(0));
  nav.projection = "LCC";
  nav.angle1 = static_cast<float>(latin1);
  nav.angle2 = static_cast<float>(lov);
  nav.angle3 = static_cast<float>(latin2);
  return find_last_point(k,
                         "+proj=lcc +lat_1=" + number(latin1) + " +lat_2=" + number(latin2) +
                             " +lat_0=" + number(latin1) + " +lon_0=" + number(lov) + earth,
                         nav);
}

// Template 3.0: the first and last points, columns always eastward in the
// navigation (a west-running message has its rows reversed).
void read_latlon(Keys& k, MessageGrid& g) {
  gridfile::Navigation& nav = g.nav;
  nav.projection = "CED";
  nav.nx = static_cast<int>(k.get_long("Ni").value_or(0));
  nav.ny = static_cast<int>(k.get_long("Nj").value_or(0));
  const long lo1 = k.get_long("longitudeOfFirstGridPoint").value_or(0);
  const long lo2 = k.get_long("longitudeOfLastGridPoint").value_or(0);
  g.rows_reversed = k.get_long("iScansNegatively").value_or(0) != 0;
  const long west = g.rows_reversed ? lo2 : lo1, east = g.rows_reversed ? lo1 : lo2;
  long span = (east - west) % kFullCircle;
  if (span < 0) span += kFullCircle;
  const double lon1 = lon_degrees(west);
  double lon2 = lon1 + degrees(span);
  // A regional grid across 180 keeps the navigation's form lon2 < lon1.
  if (lon2 > 180 && span < kFullCircle / 2) lon2 -= 360;
  nav.lat1 = static_cast<float>(degrees(k.get_long("latitudeOfFirstGridPoint").value_or(0)));
  nav.lat2 = static_cast<float>(degrees(k.get_long("latitudeOfLastGridPoint").value_or(0)));
  nav.lon1 = static_cast<float>(lon1);
  nav.lon2 = static_cast<float>(lon2);
}

void read_mercator(Keys& k, gridfile::Navigation& nav) {
  nav.projection = "MER";
  nav.nx = static_cast<int>(k.get_long("Ni").value_or(0));
  nav.ny = static_cast<int>(k.get_long("Nj").value_or(0));
  nav.lat1 = static_cast<float>(degrees(k.get_long("latitudeOfFirstGridPoint").value_or(0)));
  nav.lon1 = static_cast<float>(lon_degrees(k.get_long("longitudeOfFirstGridPoint").value_or(0)));
  nav.lat2 = static_cast<float>(degrees(k.get_long("latitudeOfLastGridPoint").value_or(0)));
  nav.lon2 = static_cast<float>(lon_degrees(k.get_long("longitudeOfLastGridPoint").value_or(0)));
  nav.angle1 = static_cast<float>(degrees(k.get_long("LaD").value_or(0)));
}

}  // namespace

gridfile::Status write_grid_definition(grib_handle* h, const gridfile::Navigation& nav) {
  auto p = mapproj::Projection::from(nav);
  if (!p) return refusal("projection " + nav.projection + ": " + p.error().text);
  Keys k(h);
  switch (p->kind()) {
    case mapproj::Kind::kLatLon:
      k.set("gridDefinitionTemplateNumber", long{kLatLon});
      break;
    case mapproj::Kind::kMercator:
      k.set("gridDefinitionTemplateNumber", long{kMercator});
      break;
    case mapproj::Kind::kPolarStereographic:
      k.set("gridDefinitionTemplateNumber", long{kPolar});
      break;
    case mapproj::Kind::kLambert:
      k.set("gridDefinitionTemplateNumber", long{kLambert});
      break;
  }
  set_sphere(k);
  if (p->kind() == mapproj::Kind::kLatLon) {
    write_latlon(k, nav, *p);
  } else {
    write_projected(k, nav, *p);
  }
  return k.status();
}

gridfile::Result<MessageGrid> read_grid_definition(grib_handle* h) {
  Keys k(h);
  const std::string type = k.get_string("gridType").value_or("?");
  const long number_of_template = k.get_long("gridDefinitionTemplateNumber").value_or(-1);
  const bool known = (number_of_template == kLatLon && type == "regular_ll") ||
                     (number_of_template == kMercator && type == "mercator") ||
                     (number_of_template == kPolar && type == "polar_stereographic") ||
                     (number_of_template == kLambert && type == "lambert");
  if (!known) return refusal(unsupported_grid(type, number_of_template));
  if (k.get_long("jPointsAreConsecutive").value_or(0) != 0 ||
      (k.defined("alternativeRowScanning") && k.get_long("alternativeRowScanning").value_or(0))) {
    return refusal(
        "scanning by columns or in alternate directions: a grid file's values run "
        "row by row");
  }
  MessageGrid g;
  if (number_of_template == kLatLon) {
    read_latlon(k, g);
  } else if (number_of_template == kMercator) {
    read_mercator(k, g.nav);
  } else {
    if (gridfile::Status s = read_projected(k, number_of_template, g.nav); !s) return s.error();
  }
  if (gridfile::Status s = k.status(); !s) return s.error();
  if (g.nav.nx < 1 || g.nav.ny < 1) return refusal("the grid has no points");
  return g;
}

}  // namespace grib
