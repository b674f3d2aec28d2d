// Latitude and longitude lines over the raster, each labelled where it first
// leaves the raster on the edge it prefers (latitudes: left, right, bottom,
// top; longitudes: bottom, top, left, right) that still has room there, so
// that every kind of grid gets labels on at least two edges.
#include <array>
#include <cmath>
#include <optional>

#include "plot/render_parts.h"

namespace plot::drawing {

namespace {

using namespace style;

constexpr double kGraticuleAlpha = 0.55;
constexpr double kLabelSpacing = 3;  // pixels between labels on one edge

enum Edge { kLeft, kRight, kBottom, kTop };

// Where a polyline first crosses an edge's line, as the position along it.
std::optional<double> crossing(const std::vector<std::pair<double, double>>& pts, bool vertical,
                               double edge) {
  for (std::size_t k = 1; k < pts.size(); ++k) {
    const double a = vertical ? pts[k - 1].first : pts[k - 1].second;
    const double b = vertical ? pts[k].first : pts[k].second;
    if ((a - edge) * (b - edge) > 0 || a == b) continue;
    const double f = (edge - a) / (b - a);
    const double other_a = vertical ? pts[k - 1].second : pts[k - 1].first;
    const double other_b = vertical ? pts[k].second : pts[k].first;
    return other_a + f * (other_b - other_a);
  }
  return std::nullopt;
}

class EdgeLabeller {
 public:
  explicit EdgeLabeller(Canvas& canvas) : canvas_(canvas), height_(label_height(canvas)) {}

  // Labels the line at the first edge in `order` it crosses with room free.
  void label(const GraticuleLine& line,
             const std::vector<std::vector<std::pair<double, double>>>& pieces) {
    const bool latitude = line.kind == GraticuleLine::Kind::kLatitude;
    static constexpr std::array<Edge, 4> kLatitudeOrder = {kLeft, kRight, kBottom, kTop};
    static constexpr std::array<Edge, 4> kLongitudeOrder = {kBottom, kTop, kLeft, kRight};
    const double width = text_width(TextRole::kLabel, line.label, canvas_.scale());
    for (Edge edge : latitude ? kLatitudeOrder : kLongitudeOrder) {
      for (const auto& pts : pieces) {
        const auto at = along(pts, edge);
        if (!at) continue;
        const bool side = edge == kLeft || edge == kRight;
        const double half = (side ? height_ : width) / 2;
        if (!free(edge, *at - half, *at + half)) continue;
        taken_[edge].emplace_back(*at - half, *at + half);
        place(edge, *at, width, line);
        return;
      }
    }
  }

 private:
  std::optional<double> along(const std::vector<std::pair<double, double>>& pts, Edge edge) const {
    const Box& r = canvas_.layout.raster;
    const bool side = edge == kLeft || edge == kRight;
    const double line = edge == kLeft     ? r.x
                        : edge == kRight  ? r.x + r.w
                        : edge == kBottom ? r.y + r.h
                                          : r.y;
    const auto at = crossing(pts, side, line);
    const double lo = side ? r.y : r.x, hi = side ? r.y + r.h : r.x + r.w;
    if (!at || *at < lo || *at > hi) return std::nullopt;
    return at;
  }
  bool free(Edge edge, double from, double to) const {
    for (const auto& [a, b] : taken_[edge]) {
      if (from < b + kLabelSpacing && to > a - kLabelSpacing) return false;
    }
    return true;
  }
  void place(Edge edge, double at, double width, const GraticuleLine& line) {
    const Box& r = canvas_.layout.raster;
    const double gap = 4 * canvas_.scale();
    const double room = scaled(kLonLabelRoom, canvas_.scale()) / 2.0;
    const char* kind = line.kind == GraticuleLine::Kind::kLatitude ? "latitude" : "longitude";
    switch (edge) {
      case kLeft:
        draw_label(canvas_, r.x - gap - width, at, line.label, kind);
        break;
      case kRight:
        draw_label(canvas_, r.x + r.w + gap, at, line.label, kind);
        break;
      case kBottom:
        draw_label(canvas_, at - width / 2, r.y + r.h + room + 1, line.label, kind);
        break;
      case kTop:
        draw_label(canvas_, at - width / 2, r.y - room, line.label, kind);
        break;
    }
  }

  Canvas& canvas_;
  double height_;
  std::array<std::vector<std::pair<double, double>>, 4> taken_;
};

}  // namespace

void draw_graticule(Canvas& canvas, const Picture& p) {
  cairo_t* cr = canvas.cr;
  const Box& r = canvas.layout.raster;
  EdgeLabeller labeller(canvas);
  for (const GraticuleLine& line : p.lines) {
    std::vector<std::vector<std::pair<double, double>>> pieces;
    cairo_save(cr);
    cairo_rectangle(cr, r.x, r.y, r.w, r.h);
    cairo_clip(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, kGraticuleAlpha);
    cairo_set_line_width(cr, 1);
    for (const auto& segment : line.segments) {
      if (segment.size() < 2) continue;
      auto& pts = pieces.emplace_back();
      for (const GridPoint& g : segment) pts.push_back(pixel_of(canvas.layout, g));
      cairo_move_to(cr, pts[0].first, pts[0].second);
      for (std::size_t k = 1; k < pts.size(); ++k) cairo_line_to(cr, pts[k].first, pts[k].second);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    labeller.label(line, pieces);
  }
}

}  // namespace plot::drawing
