#include "plot/map_lines.h"

#include <algorithm>
#include <cmath>

namespace plot {

double unwrap_longitude(double lon, double around) {
  if (!std::isfinite(lon) || !std::isfinite(around)) return lon;
  return around + std::remainder(lon - around, 360.0);
}

GridMapper::GridMapper(const mapproj::Projection& projection) : p_(projection) {
  const double size = std::max(p_.nx(), p_.ny());
  jump_ = size / 2.0;
  far_ = size;
  if (!p_.metres() && p_.dx() != 0) turn_ = 360.0 / std::abs(p_.dx());
  if (p_.kind() == mapproj::Kind::kMercator) {
    // Columns are linear in longitude: a turn measured a degree at a time.
    const auto middle = p_.latlon((p_.nx() + 1) / 2.0, (p_.ny() + 1) / 2.0);
    const auto a = middle ? p_.grid_point(0, middle->lon) : std::nullopt;
    const auto b = middle ? p_.grid_point(0, middle->lon + 1) : std::nullopt;
    if (a && b && b->i != a->i) {
      middle_lon_ = middle->lon;
      turn_ = 360.0 * (b->i - a->i);
    }
  }
}

std::optional<mapproj::GridPoint> GridMapper::locate(double lat, double lon) const {
  if (p_.kind() == mapproj::Kind::kMercator && turn_ != 0) {
    // PROJ folds longitudes into a turn around the central meridian; taken
    // around the grid's middle instead, as for latitude-longitude grids.
    const auto g = p_.grid_point(lat, middle_lon_);
    if (!g) return std::nullopt;
    return mapproj::GridPoint{
        g->i + (unwrap_longitude(lon, middle_lon_) - middle_lon_) * turn_ / 360, g->j};
  }
  if (p_.metres()) return p_.grid_point(lat, lon);
  if (p_.dx() == 0 || p_.dy() == 0) return std::nullopt;
  const double middle = p_.x((p_.nx() + 1) / 2.0);
  return mapproj::GridPoint{1 + (unwrap_longitude(lon, middle) - p_.x(1)) / p_.dx(),
                            1 + (lat - p_.y(1)) / p_.dy()};
}

bool GridMapper::near_grid(const GridLine& line, double band) const {
  if (line.size() < 2) return false;
  const auto [i_lo, i_hi] = std::ranges::minmax(line, {}, &GridPoint::i);
  const auto [j_lo, j_hi] = std::ranges::minmax(line, {}, &GridPoint::j);
  return i_hi.i >= 0.5 - band && i_lo.i <= p_.nx() + 0.5 + band && j_hi.j >= 0.5 - band &&
         j_lo.j <= p_.ny() + 0.5 + band;
}

void GridMapper::add_line(std::span<const mapproj::LatLon> points, std::vector<GridLine>& out,
                          double band) const {
  const double i_lo = 0.5 - far_, i_hi = p_.nx() + 0.5 + far_;
  const double j_lo = 0.5 - far_, j_hi = p_.ny() + 0.5 + far_;
  GridLine piece;
  auto finish = [&] {
    if (near_grid(piece, band)) out.push_back(piece);
    // A grid wider than a turn shows the same place twice.
    if (turn_ != 0 && std::abs(turn_) < p_.nx() + 2 * band) {
      for (const double shift : {turn_, -turn_}) {
        GridLine copy = piece;
        for (GridPoint& g : copy) g.i += shift;
        if (near_grid(copy, band)) out.push_back(std::move(copy));
      }
    }
    piece.clear();
  };
  for (const mapproj::LatLon& ll : points) {
    const auto g = locate(ll.lat, ll.lon);
    if (!g || !std::isfinite(g->i) || !std::isfinite(g->j) || g->i < i_lo || g->i > i_hi ||
        g->j < j_lo || g->j > j_hi) {
      finish();
      continue;
    }
    if (!piece.empty() &&
        (std::abs(g->i - piece.back().i) > jump_ || std::abs(g->j - piece.back().j) > jump_)) {
      finish();
    }
    piece.push_back({g->i, g->j});
  }
  finish();
}

}  // namespace plot
