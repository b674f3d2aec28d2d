// Grid geometry on PROJ. The projected kinds map the two corner points with
// PROJ's forward operation and space the grid evenly between them; the
// inverse operation gives latitudes and longitudes back. CED grids need no
// projection: their points are evenly spaced in degrees.
#include "proj/projection.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "proj/operation.h"

namespace mapproj {
namespace {

using detail::number;
using detail::Operation;

constexpr double kPoleTolerance = 1e-6;  // degrees

// A stored single-precision value read the way it was written: 12.19f is 12.19,
// not 12.1899995803833. The shortest text that gives back the float, as a double.
double as_written(float v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  double d = 0;
  std::from_chars(buf, res.ptr, d);
  return d;
}

gridfile::Error bad(std::string text) {
  return base::Error(base::Source::kProj, kBadGeometry, std::move(text));
}

std::optional<Kind> kind_of(std::string_view name) {
  if (name == "CED") return Kind::kLatLon;
  if (name == "MER") return Kind::kMercator;
  if (name == "LCC") return Kind::kLambert;
  if (name == "STR" || name == "NPS" || name == "SPS") return Kind::kPolarStereographic;
  return std::nullopt;
}

std::string sphere_definition() {
  return "+proj=longlat +R=" + number(kEarthRadius) + " +no_defs";
}

// The navigation read as the geometry reads it: corners and angles as written.
struct Corners {
  double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
};

}  // namespace

struct Projection::State {
  Kind kind = Kind::kLatLon;
  int nx = 0, ny = 0, pole = 0;
  double angle1 = 0, angle2 = 0, angle3 = 0;
  double x1 = 0, y1 = 0;  // coordinates of point (1,1)
  double dx = 0, dy = 0;
  std::string definition;
  std::optional<Operation> op;  // projected kinds: degrees <-> metres

  // The PROJ definition of a projected kind (the polar kinds settle the pole
  // here), or why the navigation's angles and corners cannot have one.
  gridfile::Result<std::string> projected_definition(std::string_view name, const Corners& c);
  // Point (1,1) and the spacing from the corners.
  gridfile::Status place_corners(const Corners& c);
};

gridfile::Result<std::string> Projection::State::projected_definition(std::string_view name,
                                                                      const Corners& c) {
  switch (kind) {
    case Kind::kMercator:
      if (std::fabs(angle1) >= 90) return bad("Mercator true latitude must lie in -90..90");
      if (std::fabs(c.lat1) >= 90 || std::fabs(c.lat2) >= 90) {
        return bad("a Mercator grid cannot reach a pole");
      }
      return "+proj=merc +lat_ts=" + number(angle1) + " +lon_0=" + number(angle2);
    case Kind::kLambert:
      if (std::fabs(angle1) > 90 || std::fabs(angle3) > 90) {
        return bad("Lambert standard parallels must lie in -90..90");
      }
      return "+proj=lcc +lat_1=" + number(angle1) + " +lat_2=" + number(angle3) +
             " +lat_0=" + number(angle1) + " +lon_0=" + number(angle2);
    default:  // polar stereographic
      if (name == "NPS") {
        pole = 1;
      } else if (name == "SPS") {
        pole = -1;
      } else if (std::fabs(angle1 - 90) < kPoleTolerance) {
        pole = 1;
      } else if (std::fabs(angle1 + 90) < kPoleTolerance) {
        pole = -1;
      } else {
        return bad("STR needs angle1 = 90 (north pole) or -90 (south pole), not " + number(angle1));
      }
      angle1 = 90.0 * pole;
      return "+proj=stere +lat_0=" + number(angle1) + " +lat_ts=" + number(angle1) +
             " +lon_0=" + number(angle2);
  }
}

gridfile::Status Projection::State::place_corners(const Corners& c) {
  const double span_x = nx > 1 ? nx - 1 : 1;
  const double span_y = ny > 1 ? ny - 1 : 1;
  double x2 = 0, y2 = 0;
  if (kind == Kind::kLatLon) {
    x1 = c.lon1;
    y1 = c.lat1;
    x2 = c.lon2 < c.lon1 ? c.lon2 + 360 : c.lon2;  // a span across 180
    y2 = c.lat2;
  } else {
    const auto p1 = op->forward(c.lat1, c.lon1);
    const auto p2 = op->forward(c.lat2, c.lon2);
    if (!p1 || !p2) return bad("a corner point cannot be projected with " + definition);
    std::tie(x1, y1) = *p1;
    std::tie(x2, y2) = *p2;
  }
  dx = nx > 1 ? (x2 - x1) / span_x : 0;
  dy = ny > 1 ? (y2 - y1) / span_y : 0;
  if (nx > 1 && dx == 0) return bad("the corners do not span the grid in x (zero spacing)");
  if (ny > 1 && dy == 0) return bad("the corners do not span the grid in y (zero spacing)");
  return {};
}

Projection::Projection(std::unique_ptr<State> state) : state_(std::move(state)) {}
Projection::Projection(Projection&&) noexcept = default;
Projection& Projection::operator=(Projection&&) noexcept = default;
Projection::~Projection() = default;

gridfile::Result<Projection> Projection::from(const gridfile::Navigation& nav) {
  auto s = std::make_unique<State>();
  const std::optional<Kind> kind = kind_of(nav.projection);
  if (!kind) {
    return base::Error(base::Source::kProj, kNoGeometry,
                       "projection \"" + nav.projection +
                           "\" has no map geometry (known: CED, MER, LCC, "
                           "STR, NPS, SPS)");
  }
  s->kind = *kind;
  if (nav.nx < 1 || nav.ny < 1) {
    return bad("grid size " + std::to_string(nav.nx) + " x " + std::to_string(nav.ny) +
               " has no points");
  }
  s->nx = nav.nx;
  s->ny = nav.ny;
  const Corners c{as_written(nav.lat1), as_written(nav.lon1), as_written(nav.lat2),
                  as_written(nav.lon2)};
  s->angle1 = as_written(nav.angle1);
  s->angle2 = as_written(nav.angle2);
  s->angle3 = as_written(nav.angle3);
  for (double v : {c.lat1, c.lon1, c.lat2, c.lon2, s->angle1, s->angle2, s->angle3}) {
    if (!std::isfinite(v)) return bad("navigation holds a value that is not a number");
  }
  if (std::fabs(c.lat1) > 90 || std::fabs(c.lat2) > 90) {
    return bad("corner latitude outside -90..90");
  }
  if (s->kind == Kind::kLatLon) {
    s->definition = sphere_definition();
  } else {
    auto def = s->projected_definition(nav.projection, c);
    if (!def) return def.error();
    s->definition = *def + " +R=" + number(kEarthRadius) + " +units=m +no_defs";
    auto op = Operation::create(s->definition);
    if (!op) return op.error();
    s->op.emplace(std::move(*op));
  }
  if (const gridfile::Status placed = s->place_corners(c); !placed) return placed.error();
  return Projection(std::move(s));
}

Kind Projection::kind() const {
  return state_->kind;
}
int Projection::nx() const {
  return state_->nx;
}
int Projection::ny() const {
  return state_->ny;
}
int Projection::pole() const {
  return state_->pole;
}
double Projection::angle1() const {
  return state_->angle1;
}
double Projection::angle2() const {
  return state_->angle2;
}
double Projection::angle3() const {
  return state_->angle3;
}
double Projection::dx() const {
  return state_->dx;
}
double Projection::dy() const {
  return state_->dy;
}
double Projection::x(double i) const {
  return state_->x1 + (i - 1) * state_->dx;
}
double Projection::y(double j) const {
  return state_->y1 + (j - 1) * state_->dy;
}

std::vector<double> Projection::xs() const {
  std::vector<double> v(static_cast<std::size_t>(state_->nx));
  for (int i = 1; i <= state_->nx; ++i) v[static_cast<std::size_t>(i - 1)] = x(i);
  return v;
}

std::vector<double> Projection::ys() const {
  std::vector<double> v(static_cast<std::size_t>(state_->ny));
  for (int j = 1; j <= state_->ny; ++j) v[static_cast<std::size_t>(j - 1)] = y(j);
  return v;
}

std::optional<LatLon> Projection::latlon(double i, double j) const {
  if (state_->kind == Kind::kLatLon) {
    const double lat = y(j);
    if (std::fabs(lat) > 90) return std::nullopt;
    return LatLon{lat, x(i)};
  }
  return state_->op->inverse(x(i), y(j));
}

std::optional<GridPoint> Projection::grid_point(double lat, double lon) const {
  if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90) return std::nullopt;
  double px = 0, py = 0;
  if (state_->kind == Kind::kLatLon) {
    double turn = std::fmod(lon - state_->x1, 360.0);
    if (turn < 0) turn += 360.0;
    px = state_->x1 + turn;
    py = lat;
  } else {
    const auto c = state_->op->forward(lat, lon);
    if (!c) return std::nullopt;
    px = c->first;
    py = c->second;
  }
  const double i = state_->dx != 0 ? 1 + (px - state_->x1) / state_->dx : 1;
  const double j = state_->dy != 0 ? 1 + (py - state_->y1) / state_->dy : 1;
  return GridPoint{i, j};
}

std::string Projection::proj_definition() const {
  return state_->definition;
}

std::string Projection::wkt() const {
  // PROJ writes WKT after searching its database for the names of the datum
  // and ellipsoid, some 15 ms each time; the text depends on the definition
  // alone, so a process that describes many files with one grid pays once.
  static std::mutex lock;
  static std::map<std::string, std::string, std::less<>> known;
  const std::lock_guard<std::mutex> hold(lock);
  if (const auto it = known.find(state_->definition); it != known.end()) return it->second;
  const auto crs = Operation::create(state_->definition + " +type=crs");
  std::string text = crs ? crs->wkt() : std::string();
  if (!text.empty()) known.emplace(state_->definition, text);
  return text;
}

struct Transform::State {
  Operation op;
};

Transform::Transform(std::unique_ptr<State> state) : state_(std::move(state)) {}
Transform::Transform(Transform&&) noexcept = default;
Transform& Transform::operator=(Transform&&) noexcept = default;
Transform::~Transform() = default;

gridfile::Result<Transform> Transform::create(const std::string& definition) {
  auto op = Operation::create(definition);
  if (!op) return op.error();
  return Transform(std::make_unique<State>(State{std::move(*op)}));
}

std::optional<LatLon> Transform::inverse(double x, double y) const {
  return state_->op.inverse(x, y);
}

std::optional<std::pair<double, double>> Transform::forward(double lat, double lon) const {
  return state_->op.forward(lat, lon);
}

double distance(const LatLon& a, const LatLon& b) {
  // proj_lp_dist needs an operation for its ellipsoid: the sphere's longlat.
  const auto sphere = Operation::create(sphere_definition());
  return sphere ? sphere->distance(a, b) : NAN;
}

}  // namespace mapproj
