// Coastlines, borders, contours with their values, and wind arrows or barbs
// over the raster, clipped to it; and the key arrow under the colour bar.
#include <algorithm>
#include <cmath>

#include "plot/render_parts.h"

namespace plot::drawing {

namespace {

using namespace style;

constexpr Rgb kCoast = {0.05, 0.05, 0.05};
constexpr Rgb kBorder = {0.35, 0.35, 0.35};
constexpr double kHeadAngle = 0.45;        // radians each side of an arrow's shaft
constexpr double kMinLabelledLength = 80;  // pixels of contour that earn a label
constexpr double kLabelTurn = 0.382;       // of a closed line's length, from one to the next

struct Clip {
  Clip(cairo_t* cr, const Box& r) : cr_(cr) {
    cairo_save(cr);
    cairo_rectangle(cr, r.x, r.y, r.w, r.h);
    cairo_clip(cr);
  }
  ~Clip() { cairo_restore(cr_); }
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;
  cairo_t* cr_;
};

// The point a fraction of the way along a polyline in pixels, and the line's
// length.
std::pair<std::pair<double, double>, double> point_along(const Layout& layout, const GridLine& line,
                                                         double fraction) {
  std::vector<std::pair<double, double>> pts;
  for (const GridPoint& g : line) pts.push_back(pixel_of(layout, g));
  double length = 0;
  for (std::size_t k = 1; k < pts.size(); ++k) {
    length += std::hypot(pts[k].first - pts[k - 1].first, pts[k].second - pts[k - 1].second);
  }
  double left = length * fraction;
  for (std::size_t k = 1; k < pts.size(); ++k) {
    const double step =
        std::hypot(pts[k].first - pts[k - 1].first, pts[k].second - pts[k - 1].second);
    if (step >= left && step > 0) {
      const double f = left / step;
      return {{pts[k - 1].first + f * (pts[k].first - pts[k - 1].first),
               pts[k - 1].second + f * (pts[k].second - pts[k - 1].second)},
              length};
    }
    left -= step;
  }
  return {pts.empty() ? std::pair{0.0, 0.0} : pts.front(), length};
}

void draw_contours(Canvas& canvas, const Picture& p) {
  cairo_t* cr = canvas.cr;
  const Box& r = canvas.layout.raster;
  std::vector<GridLine> lines;
  for (const Isoline& iso : p.contours) lines.push_back(iso.points);
  stroke_lines(canvas, lines, kInk, 1, 1.2 * canvas.scale());
  // Each long enough line labelled on a white patch where no other label is:
  // open lines at their middle, closed ones (which start alike, at the top of
  // nested rings) at a place that moves round from one line to the next.
  std::vector<Box> taken;
  const double height = label_height(canvas);
  double turn = 0;
  for (const Isoline& iso : p.contours) {
    turn = std::fmod(turn + kLabelTurn, 1.0);
    const auto [at, length] = point_along(canvas.layout, iso.points, iso.closed ? turn : 0.5);
    if (length < kMinLabelledLength * canvas.scale()) continue;
    const double width = text_width(TextRole::kLabel, iso.label, canvas.scale());
    const Box box{static_cast<int>(at.first - width / 2 - 2),
                  static_cast<int>(at.second - height / 2 - 1), static_cast<int>(width + 4),
                  static_cast<int>(height + 2)};
    if (box.x < r.x || box.y < r.y || box.x + box.w > r.x + r.w || box.y + box.h > r.y + r.h) {
      continue;
    }
    const bool overlaps = std::ranges::any_of(taken, [&box](const Box& b) {
      return box.x < b.x + b.w && b.x < box.x + box.w && box.y < b.y + b.h && b.y < box.y + box.h;
    });
    if (overlaps) continue;
    taken.push_back(box);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
    cairo_rectangle(cr, box.x, box.y, box.w, box.h);
    cairo_fill(cr);
    draw_label(canvas, at.first - width / 2, at.second, iso.label, "contour");
  }
}

// An arrow of `length` pixels centred on (x, y) along (dx, dy) (a unit vector).
void arrow(cairo_t* cr, double x, double y, double dx, double dy, double length) {
  const double x0 = x - dx * length / 2, y0 = y - dy * length / 2;
  const double x1 = x + dx * length / 2, y1 = y + dy * length / 2;
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  const double head = std::max(3.0, 0.3 * length);
  const double angle = std::atan2(dy, dx);
  for (double side : {kHeadAngle, -kHeadAngle}) {
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x1 - head * std::cos(angle + side), y1 - head * std::sin(angle + side));
  }
}

// A barb at (x, y): the shaft points to where the wind comes from; at its far
// end a pennant for each 50 units, a line for each 10, half a line for 5.
void barb(cairo_t* cr, double x, double y, double dx, double dy, double speed, double length) {
  const double ux = -dx, uy = -dy;  // towards the wind's source
  const double nx = -uy, ny = ux;   // the side the feathers go
  long rest = std::lround(speed / 5) * 5;
  if (rest < 5) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, length / 8, 0, 2 * M_PI);
    return;
  }
  cairo_move_to(cr, x, y);
  cairo_line_to(cr, x + ux * length, y + uy * length);
  const double feather = length * 0.4, spacing = length * 0.14;
  double along = length;
  for (; rest >= 50; rest -= 50, along -= spacing * 1.5) {
    cairo_move_to(cr, x + ux * along, y + uy * along);
    cairo_line_to(cr, x + ux * along + nx * feather, y + uy * along + ny * feather);
    cairo_line_to(cr, x + ux * (along - spacing), y + uy * (along - spacing));
    cairo_close_path(cr);
  }
  for (; rest >= 5; rest -= 10, along -= spacing) {
    const double f = rest >= 10 ? feather : feather / 2;
    if (rest < 10 && along == length) along -= spacing;  // a lone half line stands off the end
    cairo_move_to(cr, x + ux * along, y + uy * along);
    cairo_line_to(cr, x + ux * (along + spacing * 0.3) + nx * f,
                  y + uy * (along + spacing * 0.3) + ny * f);
  }
}

// Pixels the key speed takes: the lattice spacing, a little shortened.
double key_length(const Layout& layout, const Picture& p) {
  return 0.9 * p.wind_key.lattice * std::min(layout.cell_w, layout.cell_h);
}

void draw_arrows(Canvas& canvas, const Picture& p) {
  if (p.wind_key.speed <= 0) return;
  cairo_t* cr = canvas.cr;
  const Clip clip(cr, canvas.layout.raster);
  set_colour(cr, {0, 0, 0});
  cairo_set_line_width(cr, std::max(1.0, canvas.scale()));
  const double full = key_length(canvas.layout, p);
  for (const Arrow& a : p.arrows) {
    const double speed = std::hypot(a.right, a.up);
    if (!(speed > 0)) continue;
    // Cells may be wider than high: directions on the ground, drawn as such.
    const double dx = a.right / speed, dy = -a.up / speed;
    const auto [x, y] = pixel_of(canvas.layout, a.at);
    if (p.wind_key.barbs) {
      barb(cr, x, y, dx, dy, speed, full);
    } else {
      arrow(cr, x, y, dx, dy, full * speed / p.wind_key.speed);
    }
  }
  cairo_stroke(cr);
}

}  // namespace

void stroke_lines(Canvas& canvas, const std::vector<GridLine>& lines, const Rgb& colour,
                  double alpha, double width) {
  if (lines.empty()) return;
  cairo_t* cr = canvas.cr;
  const Clip clip(cr, canvas.layout.raster);
  cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, alpha);
  cairo_set_line_width(cr, width);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (const GridLine& line : lines) {
    if (line.size() < 2) continue;
    const auto [x0, y0] = pixel_of(canvas.layout, line.front());
    cairo_move_to(cr, x0, y0);
    for (std::size_t k = 1; k < line.size(); ++k) {
      const auto [x, y] = pixel_of(canvas.layout, line[k]);
      cairo_line_to(cr, x, y);
    }
  }
  cairo_stroke(cr);
}

void draw_overlays(Canvas& canvas, const Picture& p) {
  const double s = canvas.scale();
  stroke_lines(canvas, p.borders, kBorder, 0.9, 0.8 * s);
  stroke_lines(canvas, p.coastlines, kCoast, 1, 1.0 * s);
  draw_contours(canvas, p);
  draw_arrows(canvas, p);
}

void draw_wind_key(Canvas& canvas, const Picture& p) {
  const Box& key = canvas.layout.wind_key;
  if (key.w == 0 || p.wind_key.speed <= 0) return;
  cairo_t* cr = canvas.cr;
  const double length = key_length(canvas.layout, p);
  const double y = key.y + key.h / 4.0;
  set_colour(cr, {0, 0, 0});
  cairo_set_line_width(cr, std::max(1.0, canvas.scale()));
  if (p.wind_key.barbs) {
    barb(cr, key.x + length, y, 1, 0, p.wind_key.speed, length);
  } else {
    arrow(cr, key.x + length / 2, y, 1, 0, length);
  }
  cairo_stroke(cr);
  draw_label(canvas, key.x, key.y + key.h * 0.75, p.wind_key.text, "wind");
}

}  // namespace plot::drawing
