// The grid's area is found by sampling latitude and longitude over its cells'
// outer edges and interior; longitudes are unwrapped around the grid's middle
// so an area across 180 degrees stays one interval. A grid holding a pole
// spans every longitude. Each line is then traced in small steps through
// grid_point(), breaking where the projection has no point or the line jumps
// (a wrap), and kept to a band just outside the grid; the renderer clips it.
#include "plot/graticule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

namespace plot {

namespace {

constexpr int kSamples = 24;      // per side, when finding the area
constexpr int kTraceSteps = 240;  // points along each line
constexpr double kBand = 1.0;     // grid units kept outside the outer edges

struct Area {
  double lat_min = 90, lat_max = -90;
  double lon_min = 0, lon_max = 0;  // unwrapped around the middle longitude
};

double unwrap(double lon, double around) {
  while (lon - around > 180) lon -= 360;
  while (lon - around < -180) lon += 360;
  return lon;
}

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
      const double lon = unwrap(ll->lon, middle->lon);
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

// Grid position of a point. A latitude-longitude grid is linear in degrees;
// its longitudes are taken around the grid's middle column, so that points
// just west of column 1 stay there instead of wrapping a turn east.
std::optional<mapproj::GridPoint> locate(const mapproj::Projection& p, double lat, double lon) {
  if (p.metres()) return p.grid_point(lat, lon);
  if (p.dx() == 0 || p.dy() == 0) return std::nullopt;
  const double middle = p.x((p.nx() + 1) / 2.0);
  return mapproj::GridPoint{1 + (unwrap(lon, middle) - p.x(1)) / p.dx(),
                            1 + (lat - p.y(1)) / p.dy()};
}

// Traces the points (lat(t), lon(t)) for t in 0..1 into grid segments.
template <class AtT>
std::vector<std::vector<GridPoint>> trace(const mapproj::Projection& p, AtT at) {
  std::vector<std::vector<GridPoint>> segments(1);
  const double i_lo = 0.5 - kBand, i_hi = p.nx() + 0.5 + kBand;
  const double j_lo = 0.5 - kBand, j_hi = p.ny() + 0.5 + kBand;
  const double jump = std::max(p.nx(), p.ny()) / 2.0;
  auto close_segment = [&segments] {
    if (!segments.back().empty()) segments.emplace_back();
  };
  for (int k = 0; k <= kTraceSteps; ++k) {
    const auto [lat, lon] = at(static_cast<double>(k) / kTraceSteps);
    const auto g = locate(p, lat, lon);
    if (!g || !std::isfinite(g->i) || !std::isfinite(g->j) || g->i < i_lo || g->i > i_hi ||
        g->j < j_lo || g->j > j_hi) {
      close_segment();
      continue;
    }
    auto& seg = segments.back();
    if (!seg.empty() &&
        (std::abs(g->i - seg.back().i) > jump || std::abs(g->j - seg.back().j) > jump)) {
      close_segment();
    }
    segments.back().push_back({g->i, g->j});
  }
  std::erase_if(segments, [](const auto& s) { return s.size() < 2; });
  return segments;
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
  const auto area = find_area(p);
  if (!area) return lines;
  const double lat_step = degree_step(area->lat_max - area->lat_min);
  const double lon_step = degree_step(area->lon_max - area->lon_min);

  for (double k = std::ceil(area->lat_min / lat_step - 1e-9); k * lat_step <= area->lat_max + 1e-9;
       ++k) {
    const double lat = k * lat_step;
    if (std::abs(lat) >= 90 - 1e-9) continue;  // a pole is a point
    GraticuleLine line{GraticuleLine::Kind::kLatitude, latitude_label(lat), {}};
    line.segments = trace(p, [&](double t) {
      return std::pair{lat, area->lon_min + t * (area->lon_max - area->lon_min)};
    });
    if (!line.segments.empty()) lines.push_back(std::move(line));
  }
  for (double k = std::ceil(area->lon_min / lon_step - 1e-9); k * lon_step <= area->lon_max + 1e-9;
       ++k) {
    const double lon = k * lon_step;
    GraticuleLine line{GraticuleLine::Kind::kLongitude, longitude_label(lon), {}};
    // Stop short of the poles, where every meridian meets.
    const double lat_lo = std::max(area->lat_min, -89.9), lat_hi = std::min(area->lat_max, 89.9);
    line.segments = trace(p, [&](double t) {
      return std::pair{lat_lo + t * (lat_hi - lat_lo), lon};
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
