#include "plot/contours.h"

#include <array>
#include <cmath>

#include "plot/ticks.h"

namespace plot {

namespace {

constexpr int kNone = -1;

// Sides of the squares, numbered: the side from point (i,j) eastwards is
// 2 * index(i,j), the side northwards 2 * index(i,j) + 1 (0-based i, j).
class Tracer {
 public:
  Tracer(const std::vector<float>& values, int nx, int ny)
      : v_(values),
        nx_(static_cast<std::size_t>(nx)),
        ny_(static_cast<std::size_t>(ny)),
        ends_(2 * v_.size(), {kNone, kNone}) {}

  std::vector<GridLine> trace(double level);

 private:
  double at(std::size_t i, std::size_t j) const { return v_[j * nx_ + i]; }
  std::size_t east_side(std::size_t i, std::size_t j) const { return 2 * (j * nx_ + i); }
  std::size_t north_side(std::size_t i, std::size_t j) const { return 2 * (j * nx_ + i) + 1; }
  void square(std::size_t i, std::size_t j, double level);
  void add_piece(std::size_t a, std::size_t b);
  GridPoint crossing(std::size_t side, double level) const;
  GridLine walk(std::size_t first_piece, double level);

  const std::vector<float>& v_;
  std::size_t nx_, ny_;
  std::vector<std::array<int, 2>> ends_;            // per side: the pieces ending on it
  std::vector<std::array<std::size_t, 2>> pieces_;  // per piece: its two sides
  std::vector<bool> used_;
};

void Tracer::add_piece(std::size_t a, std::size_t b) {
  const int id = static_cast<int>(pieces_.size());
  pieces_.push_back({a, b});
  for (std::size_t side : {a, b}) (ends_[side][0] == kNone ? ends_[side][0] : ends_[side][1]) = id;
}

void Tracer::square(std::size_t i, std::size_t j, double level) {
  const std::array<double, 4> c = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
  for (double x : c) {
    if (shown_as_missing(static_cast<float>(x))) return;
  }
  // Corners anticlockwise from south-west; side k runs from corner k to k+1.
  int above = 0;
  for (int k = 0; k < 4; ++k) above |= (c[static_cast<std::size_t>(k)] > level ? 1 : 0) << k;
  if (above == 0 || above == 15) return;
  const std::array<std::size_t, 4> side = {east_side(i, j), north_side(i + 1, j),
                                           east_side(i, j + 1), north_side(i, j)};
  std::array<std::size_t, 4> cut{};
  int cuts = 0;
  for (int k = 0; k < 4; ++k) {
    const bool a = (above >> k & 1) != 0, b = (above >> ((k + 1) % 4) & 1) != 0;
    if (a != b) cut[static_cast<std::size_t>(cuts++)] = side[static_cast<std::size_t>(k)];
  }
  if (cuts == 2) {
    add_piece(cut[0], cut[1]);
    return;
  }
  // A saddle (corners 0 and 2 on one side, 1 and 3 on the other): the mean
  // decides whether the high corners join across the middle.
  const bool middle_above = (c[0] + c[1] + c[2] + c[3]) / 4 > level;
  const bool corner0_above = (above & 1) != 0;
  if (middle_above == corner0_above) {
    add_piece(cut[0], cut[1]);  // sides 0-1 and 2-3 pair around corners 1 and 3
    add_piece(cut[2], cut[3]);
  } else {
    add_piece(cut[3], cut[0]);  // sides 3-0 and 1-2 pair around corners 0 and 2
    add_piece(cut[1], cut[2]);
  }
}

GridPoint Tracer::crossing(std::size_t side, double level) const {
  const std::size_t point = side / 2;
  const std::size_t i = point % nx_, j = point / nx_;
  const bool north = side % 2 == 1;
  const double a = at(i, j), b = north ? at(i, j + 1) : at(i + 1, j);
  const double f = a == b ? 0.5 : (level - a) / (b - a);
  const double gi = static_cast<double>(i) + 1, gj = static_cast<double>(j) + 1;
  return north ? GridPoint{gi, gj + f} : GridPoint{gi + f, gj};
}

// The polyline through a piece: onwards from its second side, then back from
// its first, until the ends or the start again.
GridLine Tracer::walk(std::size_t first_piece, double level) {
  std::vector<std::size_t> forward, backward;
  auto follow = [&](std::size_t side, std::size_t from, std::vector<std::size_t>& sides) {
    while (true) {
      sides.push_back(side);
      const auto [p, q] = ends_[side];
      const int next = static_cast<std::size_t>(p) == from ? q : p;
      if (next == kNone || used_[static_cast<std::size_t>(next)]) return;
      used_[static_cast<std::size_t>(next)] = true;
      const auto& ends = pieces_[static_cast<std::size_t>(next)];
      side = ends[0] == side ? ends[1] : ends[0];
      from = static_cast<std::size_t>(next);
    }
  };
  used_[first_piece] = true;
  follow(pieces_[first_piece][1], first_piece, forward);
  follow(pieces_[first_piece][0], first_piece, backward);
  GridLine line;
  for (auto k = backward.rbegin(); k != backward.rend(); ++k) line.push_back(crossing(*k, level));
  for (std::size_t side : forward) line.push_back(crossing(side, level));
  return line;
}

std::vector<GridLine> Tracer::trace(double level) {
  pieces_.clear();
  for (std::size_t j = 0; j + 1 < ny_; ++j) {
    for (std::size_t i = 0; i + 1 < nx_; ++i) square(i, j, level);
  }
  used_.assign(pieces_.size(), false);
  std::vector<GridLine> lines;
  for (std::size_t k = 0; k < pieces_.size(); ++k) {
    if (!used_[k]) lines.push_back(walk(k, level));
  }
  for (const auto& piece : pieces_) {
    for (std::size_t side : piece) ends_[side] = {kNone, kNone};
  }
  return lines;
}

}  // namespace

std::optional<std::vector<double>> contour_levels(double lo, double hi,
                                                  std::optional<double> interval) {
  std::vector<double> levels;
  if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi)) return levels;
  const double step = interval ? *interval : nice_ticks(lo, hi, 10).step;
  if (!(step > 0) || (hi - lo) / step > static_cast<double>(kMaxContourLevels)) {
    return std::nullopt;
  }
  for (double k = std::floor(lo / step) + 1; k * step < hi; ++k) {
    if (k * step > lo) levels.push_back(k * step);
  }
  return levels;
}

std::vector<Isoline> contour_lines(const std::vector<float>& values, int nx, int ny,
                                   std::span<const double> levels) {
  std::vector<Isoline> out;
  if (levels.empty() || nx < 2 || ny < 2 ||
      values.size() != static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny)) {
    return out;
  }
  const double step = levels.size() > 1 ? std::abs(levels[1] - levels[0]) : std::abs(levels[0]);
  Tracer tracer(values, nx, ny);
  for (double level : levels) {
    for (GridLine& line : tracer.trace(level)) {
      const bool closed =
          line.size() > 2 && line.front().i == line.back().i && line.front().j == line.back().j;
      out.push_back({level, tick_label(level, step > 0 ? step : 1), std::move(line), closed});
    }
  }
  return out;
}

}  // namespace plot
