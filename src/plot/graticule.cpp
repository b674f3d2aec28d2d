// A projected grid's area is found by sampling latitude and longitude over its
// cells' outer edges and interior; longitudes are unwrapped around the grid's
// middle so an area across 180 degrees stays one interval. A grid holding a
// pole spans every longitude. Each line is then traced in small steps and
// carried onto the grid by GridMapper; the renderer clips it.
#include "plot/graticule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

#include "plot/map_lines.h"

namespace plot {

namespace {

constexpr int kSamples = 24;      // per side, when finding the area
constexpr int kTraceSteps = 240;  // points along each line
constexpr double kBand = 1.0;     // grid units kept outside the outer edges

struct Area {
  double lat_min = 90, lat_max = -90;
  double lon_min = 0, lon_max = 0;  // unwrapped around the middle longitude
};

std::optional<Area> find_area(const mapproj::Projection& p) {
  const double i_lo = 0.5, i_hi = p.nx() + 0.5, j_lo = 0.5, j_hi = p.ny() + 0.5;
  const auto middle = p.latlon((i_lo + i_hi) / 2, (j_lo + j_hi) / 2);
  if (!middle) return std::nullopt;
  Area area;
  area.lon_min = area.lon_max = middle->lon;
  bool any = false;
  for (int a = 0; a <= kSamples; ++a) {
    for (int b = 0; b <= kSamples; ++b) {
      const double i = i_lo + (i_hi - i_lo) * a / kSamples;
      const double j = j_lo + (j_hi - j_lo) * b / kSamples;
      const auto ll = p.latlon(i, j);
      if (!ll) continue;
      any = true;
      area.lat_min = std::min(area.lat_min, ll->lat);
      area.lat_max = std::max(area.lat_max, ll->lat);
      const double lon = unwrap_longitude(ll->lon, middle->lon);
      area.lon_min = std::min(area.lon_min, lon);
      area.lon_max = std::max(area.lon_max, lon);
    }
  }
  if (!any) return std::nullopt;
  // A pole inside the grid: every longitude meets it.
  for (double pole : {90.0, -90.0}) {
    const auto g = p.grid_point(pole, 0);
    if (g && g->i >= i_lo && g->i <= i_hi && g->j >= j_lo && g->j <= j_hi) {
      area.lon_min = middle->lon - 180;
      area.lon_max = middle->lon + 180;
      (pole > 0 ? area.lat_max : area.lat_min) = pole;
    }
  }
  return area;
}

int decimals_for(double value) {
  return std::abs(value - std::round(value)) < 1e-9             ? 0
         : std::abs(value * 10 - std::round(value * 10)) < 1e-9 ? 1
                                                                : 2;
}

// The points (lat(t), lon(t)) for t in 0..1 as grid pieces.
template <class AtT>
std::vector<GridLine> trace(const GridMapper& mapper, AtT at) {
  std::vector<mapproj::LatLon> points;
  points.reserve(kTraceSteps + 1);
  for (int k = 0; k <= kTraceSteps; ++k) {
    const auto [lat, lon] = at(static_cast<double>(k) / kTraceSteps);
    points.push_back({lat, lon});
  }
  std::vector<GridLine> pieces;
  mapper.add_line(points, pieces, kBand);
  return pieces;
}

// A latitude-longitude grid's area straight from its outer cell edges, which
// may pass the poles (the lines then run on to the raster's edge).
Area lat_lon_area(const mapproj::Projection& p) {
  Area area;
  area.lat_min = std::min(p.y(0.5), p.y(p.ny() + 0.5));
  area.lat_max = std::max(p.y(0.5), p.y(p.ny() + 0.5));
  area.lon_min = std::min(p.x(0.5), p.x(p.nx() + 0.5));
  area.lon_max = std::max(p.x(0.5), p.x(p.nx() + 0.5));
  return area;
}

}  // namespace

double degree_step(double span, int target) {
  static constexpr std::array<double, 14> kSteps = {0.1, 0.2, 0.25, 0.5, 1,  2,  2.5,
                                                    5,   10,  15,   20,  30, 45, 90};
  const double wanted = span / std::max(1, target);
  for (double step : kSteps) {
    if (step >= wanted * 0.999) return step;
  }
  return kSteps.back();
}

std::string latitude_label(double lat) {
  char text[32];
  const int decimals = decimals_for(lat);
  if (std::abs(lat) < 1e-9) return "0\u00B0";
  std::snprintf(text, sizeof text, "%.*f\u00B0%c", decimals, std::abs(lat), lat > 0 ? 'N' : 'S');
  return text;
}

std::string longitude_label(double lon) {
  lon = std::remainder(lon, 360.0);  // -180..180
  if (std::abs(lon) < 1e-9) return "0\u00B0";
  if (std::abs(std::abs(lon) - 180) < 1e-9) return "180\u00B0";
  char text[32];
  std::snprintf(text, sizeof text, "%.*f\u00B0%c", decimals_for(lon), std::abs(lon),
                lon > 0 ? 'E' : 'W');
  return text;
}

std::vector<GraticuleLine> graticule(const mapproj::Projection& p) {
  std::vector<GraticuleLine> lines;
  const auto found = p.metres() ? find_area(p) : std::optional<Area>(lat_lon_area(p));
  if (!found) return lines;
  const Area area = *found;
  const GridMapper mapper(p);
  const double lat_step = degree_step(std::min(area.lat_max, 90.0) - std::max(area.lat_min, -90.0));
  const double lon_step = degree_step(std::min(area.lon_max - area.lon_min, 360.0));
  // Each line runs a step past the sampled area, so that it reaches the
  // raster's edges; the renderer clips it there.
  const bool all_round = area.lon_max - area.lon_min >= 360 - 1e-9;
  const double lon_from = all_round ? area.lon_min : area.lon_min - lon_step;
  const double lon_to = all_round ? area.lon_max : area.lon_max + lon_step;
  // Meridians stop short of the poles, where they all meet; on a
  // latitude-longitude grid they run to its outer edges.
  const double lat_from = p.metres() ? std::max(area.lat_min - lat_step, -89.9) : area.lat_min;
  const double lat_to = p.metres() ? std::min(area.lat_max + lat_step, 89.9) : area.lat_max;

  for (double k = std::ceil(std::max(area.lat_min, -90.0) / lat_step - 1e-9);
       k * lat_step <= std::min(area.lat_max, 90.0) + 1e-9; ++k) {
    const double lat = k * lat_step;
    if (std::abs(lat) >= 90 - 1e-9) continue;  // a pole is a point
    GraticuleLine line{GraticuleLine::Kind::kLatitude, latitude_label(lat), {}};
    line.segments = trace(mapper, [&](double t) {
      return std::pair{lat, lon_from + t * (lon_to - lon_from)};
    });
    if (!line.segments.empty()) lines.push_back(std::move(line));
  }
  // Longitudes a turn apart are one line.
  const double last_lon = all_round ? area.lon_min + 360 - lon_step / 2 : area.lon_max + 1e-9;
  for (double k = std::ceil(area.lon_min / lon_step - 1e-9); k * lon_step <= last_lon; ++k) {
    const double lon = k * lon_step;
    GraticuleLine line{GraticuleLine::Kind::kLongitude, longitude_label(lon), {}};
    line.segments = trace(mapper, [&](double t) {
      return std::pair{lat_from + t * (lat_to - lat_from), lon};
    });
    if (!line.segments.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

double cell_aspect(const mapproj::Projection& p) {
  double dx = std::abs(p.dx()), dy = std::abs(p.dy());
  if (!p.metres()) {
    // Degrees: a degree of longitude shrinks with the cosine of latitude.
    const auto middle = p.latlon((p.nx() + 1) / 2.0, (p.ny() + 1) / 2.0);
    if (middle) dx *= std::cos(middle->lat * M_PI / 180);
  }
  if (!(dx > 0) || !(dy > 0) || !std::isfinite(dx / dy)) return 1;
  return dx / dy;
}

}  // namespace plot
