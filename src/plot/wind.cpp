#include "plot/wind.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "plot/map_lines.h"

namespace plot {

namespace {

constexpr double kEastStep = 0.01;  // degrees of longitude for the direction east

// The angle of east from the picture's right, at grid point (i, j).
std::optional<double> east_angle(const mapproj::Projection& p, const GridMapper& mapper, int i,
                                 int j) {
  const auto ll = p.latlon(i, j);
  if (!ll || std::abs(ll->lat) > 90 - 1e-6) return std::nullopt;  // no east at a pole
  const auto a = mapper.locate(ll->lat, ll->lon);
  const auto b = mapper.locate(ll->lat, ll->lon + kEastStep);
  if (!a || !b) return std::nullopt;
  // Grid units to the picture's proportions: the cells' sides.
  const double right = (b->i - a->i) * std::abs(p.dx() != 0 ? p.dx() : 1.0);
  const double up = (b->j - a->j) * std::abs(p.dy() != 0 ? p.dy() : 1.0);
  if (right == 0 && up == 0) return std::nullopt;
  return std::atan2(up, right);
}

}  // namespace

std::vector<Arrow> wind_arrows(const WindInput& wind, int nx, int ny, int lattice,
                               const mapproj::Projection* projection) {
  std::vector<Arrow> arrows;
  const auto points = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
  if (wind.u == nullptr || wind.v == nullptr || wind.u->size() != points ||
      wind.v->size() != points || lattice < 1) {
    return arrows;
  }
  const bool turn = wind.earth_relative && projection != nullptr;
  std::optional<GridMapper> mapper;
  if (turn) mapper.emplace(*projection);
  for (int j = 1; j <= ny; j += lattice) {
    for (int i = 1; i <= nx; i += lattice) {
      const std::size_t k = static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(nx) +
                            static_cast<std::size_t>(i - 1);
      const float u = (*wind.u)[k], v = (*wind.v)[k];
      if (shown_as_missing(u) || shown_as_missing(v)) continue;
      Arrow arrow{{static_cast<double>(i), static_cast<double>(j)}, u, v};
      if (turn) {
        const auto angle = east_angle(*projection, *mapper, i, j);
        if (!angle) continue;
        arrow.right = u * std::cos(*angle) - v * std::sin(*angle);
        arrow.up = u * std::sin(*angle) + v * std::cos(*angle);
      }
      arrows.push_back(arrow);
    }
  }
  return arrows;
}

double key_speed(const std::vector<Arrow>& arrows) {
  double fastest = 0;
  for (const Arrow& a : arrows) fastest = std::max(fastest, std::hypot(a.right, a.up));
  if (!(fastest > 0) || !std::isfinite(fastest)) return 0;
  const double power = std::pow(10.0, std::floor(std::log10(fastest)));
  for (double m : {5.0, 2.0, 1.0}) {
    if (m * power <= fastest) return m * power;
  }
  return power;
}

}  // namespace plot
