// Grid geometry on PROJ. The projected kinds map the two corner points with
// PROJ's forward operation and space the grid evenly between them; the
// inverse operation gives latitudes and longitudes back. CED grids need no
// projection: their points are evenly spaced in degrees.
#include "proj/projection.h"

#include <proj.h>

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>
#include <utility>

namespace mapproj {
namespace {

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

std::string number(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

gridfile::Error bad(std::string text) {
  return gridfile::Error{kBadGeometry, std::move(text)};
}

struct ContextDeleter {
  void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct PjDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;

// PROJ's own data folder as the build found it (a build without that
// knowledge, such as the fuzz build, takes Debian's).
#ifndef T2G_PROJ_DATA_DIR
#define T2G_PROJ_DATA_DIR "/usr/share/proj"
#endif

// A quiet PROJ context that has PROJ's own database. A PROJ_DATA or PROJ_LIB
// pointing elsewhere (set by other software in the same process: some Python
// packages point it into their own, absent, copies) would leave PROJ without
// proj.db; the folder PROJ was installed with is then searched instead.
Context new_context() {
  Context ctx(proj_context_create());
  if (!ctx) return ctx;
  proj_log_level(ctx.get(), PJ_LOG_NONE);
  if (proj_context_get_database_path(ctx.get()) == nullptr) {
    const char* installed = T2G_PROJ_DATA_DIR;
    proj_context_set_search_paths(ctx.get(), 1, &installed);
  }
  return ctx;
}

}  // namespace

struct Projection::State {
  Kind kind = Kind::kLatLon;
  int nx = 0, ny = 0, pole = 0;
  double angle1 = 0, angle2 = 0, angle3 = 0;
  double x1 = 0, y1 = 0;  // coordinates of point (1,1)
  double dx = 0, dy = 0;
  std::string definition;
  Context ctx;
  std::unique_ptr<PJ, PjDeleter> op;  // projected kinds: lon/lat (radians) -> x/y

  // Forward: degrees to metres; nullopt where PROJ has no value.
  std::optional<std::pair<double, double>> forward(double lat, double lon) const {
    PJ_COORD c = proj_coord(proj_torad(lon), proj_torad(lat), 0, 0);
    c = proj_trans(op.get(), PJ_FWD, c);
    if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) || std::fabs(c.xy.x) > 1e20 ||
        std::fabs(c.xy.y) > 1e20) {
      proj_errno_reset(op.get());
      return std::nullopt;
    }
    return std::pair{c.xy.x, c.xy.y};
  }
  std::optional<LatLon> inverse(double x, double y) const {
    PJ_COORD c = proj_coord(x, y, 0, 0);
    c = proj_trans(op.get(), PJ_INV, c);
    if (!std::isfinite(c.lp.lam) || !std::isfinite(c.lp.phi) || std::fabs(c.lp.lam) > 1e20) {
      proj_errno_reset(op.get());
      return std::nullopt;
    }
    return LatLon{proj_todeg(c.lp.phi), proj_todeg(c.lp.lam)};
  }
};

Projection::Projection(std::unique_ptr<State> state) : state_(std::move(state)) {}
Projection::Projection(Projection&&) noexcept = default;
Projection& Projection::operator=(Projection&&) noexcept = default;
Projection::~Projection() = default;

gridfile::Result<Projection> Projection::from(const gridfile::Navigation& nav) {
  auto s = std::make_unique<State>();
  const std::string_view name = nav.projection;
  if (name == "CED") {
    s->kind = Kind::kLatLon;
  } else if (name == "MER") {
    s->kind = Kind::kMercator;
  } else if (name == "LCC") {
    s->kind = Kind::kLambert;
  } else if (name == "STR" || name == "NPS" || name == "SPS") {
    s->kind = Kind::kPolarStereographic;
  } else {
    return gridfile::Error{kNoGeometry, "projection \"" + nav.projection +
                                            "\" has no map geometry (known: CED, MER, LCC, "
                                            "STR, NPS, SPS)"};
  }
  if (nav.nx < 1 || nav.ny < 1) {
    return bad("grid size " + std::to_string(nav.nx) + " x " + std::to_string(nav.ny) +
               " has no points");
  }
  s->nx = nav.nx;
  s->ny = nav.ny;
  const double lat1 = as_written(nav.lat1), lon1 = as_written(nav.lon1);
  const double lat2 = as_written(nav.lat2), lon2 = as_written(nav.lon2);
  s->angle1 = as_written(nav.angle1);
  s->angle2 = as_written(nav.angle2);
  s->angle3 = as_written(nav.angle3);
  for (double v : {lat1, lon1, lat2, lon2, s->angle1, s->angle2, s->angle3}) {
    if (!std::isfinite(v)) return bad("navigation holds a value that is not a number");
  }
  if (std::fabs(lat1) > 90 || std::fabs(lat2) > 90) {
    return bad("corner latitude outside -90..90");
  }
  const double span_x = s->nx > 1 ? s->nx - 1 : 1;
  const double span_y = s->ny > 1 ? s->ny - 1 : 1;

  if (s->kind == Kind::kLatLon) {
    s->definition = "+proj=longlat +R=" + number(kEarthRadius) + " +no_defs";
    s->x1 = lon1;
    s->y1 = lat1;
    const double east = lon2 < lon1 ? lon2 + 360 : lon2;
    s->dx = s->nx > 1 ? (east - lon1) / span_x : 0;
    s->dy = s->ny > 1 ? (lat2 - lat1) / span_y : 0;
  } else {
    std::string def;
    const std::string r = " +R=" + number(kEarthRadius) + " +units=m +no_defs";
    switch (s->kind) {
      case Kind::kMercator:
        if (std::fabs(s->angle1) >= 90) return bad("Mercator true latitude must lie in -90..90");
        if (std::fabs(lat1) >= 90 || std::fabs(lat2) >= 90) {
          return bad("a Mercator grid cannot reach a pole");
        }
        def = "+proj=merc +lat_ts=" + number(s->angle1) + " +lon_0=" + number(s->angle2);
        break;
      case Kind::kLambert:
        if (std::fabs(s->angle1) > 90 || std::fabs(s->angle3) > 90) {
          return bad("Lambert standard parallels must lie in -90..90");
        }
        def = "+proj=lcc +lat_1=" + number(s->angle1) + " +lat_2=" + number(s->angle3) +
              " +lat_0=" + number(s->angle1) + " +lon_0=" + number(s->angle2);
        break;
      default: {  // polar stereographic
        if (name == "NPS") {
          s->pole = 1;
        } else if (name == "SPS") {
          s->pole = -1;
        } else if (std::fabs(s->angle1 - 90) < kPoleTolerance) {
          s->pole = 1;
        } else if (std::fabs(s->angle1 + 90) < kPoleTolerance) {
          s->pole = -1;
        } else {
          return bad("STR needs angle1 = 90 (north pole) or -90 (south pole), not " +
                     number(s->angle1));
        }
        s->angle1 = 90.0 * s->pole;
        const std::string pole = number(s->angle1);
        def = "+proj=stere +lat_0=" + pole + " +lat_ts=" + pole + " +lon_0=" + number(s->angle2);
        break;
      }
    }
    s->definition = def + r;
    s->ctx = new_context();
    if (!s->ctx) return bad("PROJ could not start");
    s->op.reset(proj_create(s->ctx.get(), s->definition.c_str()));
    if (!s->op) {
      const int err = proj_context_errno(s->ctx.get());
      return bad("PROJ refuses the projection " + s->definition + ": " +
                 proj_context_errno_string(s->ctx.get(), err));
    }
    const auto c1 = s->forward(lat1, lon1);
    const auto c2 = s->forward(lat2, lon2);
    if (!c1 || !c2) {
      return bad("a corner point cannot be projected with " + s->definition);
    }
    s->x1 = c1->first;
    s->y1 = c1->second;
    s->dx = s->nx > 1 ? (c2->first - c1->first) / span_x : 0;
    s->dy = s->ny > 1 ? (c2->second - c1->second) / span_y : 0;
  }
  if (s->nx > 1 && s->dx == 0) return bad("the corners do not span the grid in x (zero spacing)");
  if (s->ny > 1 && s->dy == 0) return bad("the corners do not span the grid in y (zero spacing)");
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
  return state_->inverse(x(i), y(j));
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
    const auto c = state_->forward(lat, lon);
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
  const Context ctx = new_context();
  if (!ctx) return {};
  const std::string def = state_->definition + " +type=crs";
  std::unique_ptr<PJ, PjDeleter> crs(proj_create(ctx.get(), def.c_str()));
  if (!crs) return {};
  const char* text = proj_as_wkt(ctx.get(), crs.get(), PJ_WKT1_GDAL, nullptr);
  return text != nullptr ? std::string(text) : std::string();
}

struct Transform::State {
  Context ctx;
  std::unique_ptr<PJ, PjDeleter> op;
};

Transform::Transform(std::unique_ptr<State> state) : state_(std::move(state)) {}
Transform::Transform(Transform&&) noexcept = default;
Transform& Transform::operator=(Transform&&) noexcept = default;
Transform::~Transform() = default;

gridfile::Result<Transform> Transform::create(const std::string& definition) {
  auto s = std::make_unique<State>();
  s->ctx = new_context();
  if (!s->ctx) return bad("PROJ could not start");
  s->op.reset(proj_create(s->ctx.get(), definition.c_str()));
  if (!s->op) {
    const int err = proj_context_errno(s->ctx.get());
    return bad("PROJ refuses the projection " + definition + ": " +
               proj_context_errno_string(s->ctx.get(), err));
  }
  return Transform(std::move(s));
}

std::optional<LatLon> Transform::inverse(double x, double y) const {
  PJ_COORD c = proj_trans(state_->op.get(), PJ_INV, proj_coord(x, y, 0, 0));
  if (!std::isfinite(c.lp.lam) || !std::isfinite(c.lp.phi) || std::fabs(c.lp.lam) > 1e20) {
    proj_errno_reset(state_->op.get());
    return std::nullopt;
  }
  return LatLon{proj_todeg(c.lp.phi), proj_todeg(c.lp.lam)};
}

std::optional<std::pair<double, double>> Transform::forward(double lat, double lon) const {
  PJ_COORD c =
      proj_trans(state_->op.get(), PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
  if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) || std::fabs(c.xy.x) > 1e20 ||
      std::fabs(c.xy.y) > 1e20) {
    proj_errno_reset(state_->op.get());
    return std::nullopt;
  }
  return std::pair{c.xy.x, c.xy.y};
}

double distance(const LatLon& a, const LatLon& b) {
  PJ_COORD pa = proj_coord(proj_torad(a.lon), proj_torad(a.lat), 0, 0);
  PJ_COORD pb = proj_coord(proj_torad(b.lon), proj_torad(b.lat), 0, 0);
  // proj_lp_dist needs an operation for its ellipsoid: the sphere's longlat.
  const Context ctx = new_context();
  const std::string def = "+proj=longlat +R=" + number(kEarthRadius) + " +no_defs";
  std::unique_ptr<PJ, PjDeleter> sphere(proj_create(ctx.get(), def.c_str()));
  if (!sphere) return NAN;
  return proj_lp_dist(sphere.get(), pa, pb);
}

}  // namespace mapproj
