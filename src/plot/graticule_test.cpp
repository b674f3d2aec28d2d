// Latitude and longitude lines: on a regular latitude-longitude grid they are
// straight and sit where the corner points put them; on projected grids every
// traced point lies on its line's latitude or longitude; a grid holding the
// pole gets meridians all round and no line at the pole; labels and steps are
// round.
#include "plot/graticule.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plot/picture_test_support.h"

namespace {

using plot::GraticuleLine;

using plot::testing::navigation;

mapproj::Projection projection_of(const gridfile::Navigation& nav) {
  auto p = mapproj::Projection::from(nav);
  EXPECT_TRUE(p.ok());
  return std::move(p).value();
}

std::vector<std::string> labels(const std::vector<GraticuleLine>& lines, GraticuleLine::Kind kind) {
  std::vector<std::string> out;
  for (const auto& l : lines) {
    if (l.kind == kind) out.push_back(l.label);
  }
  return out;
}

double parse_degrees(const std::string& label) {
  // "32.5°N" -> 32.5, "95°W" -> -95
  const double v = std::stod(label);
  const char hemisphere = label.back();
  return hemisphere == 'S' || hemisphere == 'W' ? -v : v;
}

TEST(GraticuleTest, LatLonGridHasStraightLinesWhereTheCornersPutThem) {
  // The bundled example: 8 x 6 points from 30N 100W to 37.5N 86W.
  const auto p = projection_of(navigation("CED", 8, 6, 30, -100, 37.5f, -86));
  const auto lines = plot::graticule(p);
  EXPECT_EQ(labels(lines, GraticuleLine::Kind::kLatitude),
            (std::vector<std::string>{"30°N", "32.5°N", "35°N", "37.5°N"}));
  EXPECT_EQ(labels(lines, GraticuleLine::Kind::kLongitude),
            (std::vector<std::string>{"100°W", "95°W", "90°W", "85°W"}));  // 85W: east edge
  for (const auto& line : lines) {
    ASSERT_EQ(line.segments.size(), 1u) << line.label;
    const double deg = parse_degrees(line.label);
    const auto& seg = line.segments.front();
    for (const auto& g : seg) {
      if (line.kind == GraticuleLine::Kind::kLatitude) {
        EXPECT_NEAR(g.j, (deg - 30) / 1.5 + 1, 1e-6) << line.label;
      } else {
        EXPECT_NEAR(g.i, (deg + 100) / 2 + 1, 1e-6) << line.label;
      }
    }
    // Each line runs across the whole grid, edge to edge.
    double lo = 1e9, hi = -1e9;
    for (const auto& g : seg) {
      const double along = line.kind == GraticuleLine::Kind::kLatitude ? g.i : g.j;
      lo = std::min(lo, along);
      hi = std::max(hi, along);
    }
    const double last = line.kind == GraticuleLine::Kind::kLatitude ? 8.5 : 6.5;
    EXPECT_LE(lo, 0.5) << line.label;
    EXPECT_GE(hi, last) << line.label;
  }
}

TEST(GraticuleTest, ProjectedLinesLieOnTheirLatitudeOrLongitude) {
  const auto p = projection_of(navigation("LCC", 30, 20, 20, -120, 50, -60, 25, -95, 25));
  const auto lines = plot::graticule(p);
  EXPECT_GE(labels(lines, GraticuleLine::Kind::kLatitude).size(), 3u);
  EXPECT_GE(labels(lines, GraticuleLine::Kind::kLongitude).size(), 3u);
  for (const auto& line : lines) {
    const double deg = parse_degrees(line.label);
    for (const auto& seg : line.segments) {
      for (const auto& g : seg) {
        const auto ll = p.latlon(g.i, g.j);
        ASSERT_TRUE(ll);
        if (line.kind == GraticuleLine::Kind::kLatitude) {
          EXPECT_NEAR(ll->lat, deg, 1e-6) << line.label;
        } else {
          EXPECT_NEAR(std::remainder(ll->lon - deg, 360.0), 0, 1e-6) << line.label;
        }
      }
    }
  }
}

TEST(GraticuleTest, PoleInsideTheGrid) {
  const auto p = projection_of(navigation("NPS", 21, 21, 20, -145, 20, 35, 90, -100, 0));
  const auto pole = p.grid_point(90, 0);
  ASSERT_TRUE(pole);
  ASSERT_NEAR(pole->i, 11, 0.01);
  ASSERT_NEAR(pole->j, 11, 0.01);
  const auto lines = plot::graticule(p);
  const auto meridians = labels(lines, GraticuleLine::Kind::kLongitude);
  EXPECT_GE(meridians.size(), 4u);  // all the way round
  for (const auto& l : labels(lines, GraticuleLine::Kind::kLatitude)) EXPECT_NE(l, "90°N");
  // A latitude circle around the pole closes on itself.
  for (const auto& line : lines) {
    if (line.kind != GraticuleLine::Kind::kLatitude || line.label != "60°N") continue;
    ASSERT_EQ(line.segments.size(), 1u);
    const auto& seg = line.segments.front();
    EXPECT_NEAR(seg.front().i, seg.back().i, 1e-3);
    EXPECT_NEAR(seg.front().j, seg.back().j, 1e-3);
  }
}

TEST(GraticuleTest, AcrossTheDateLine) {
  // 10 degrees either side of 180: lon2 < lon1 means across 180.
  const auto p = projection_of(navigation("CED", 21, 11, -5, 170, 5, -170));
  const auto meridians = labels(plot::graticule(p), GraticuleLine::Kind::kLongitude);
  EXPECT_EQ(meridians, (std::vector<std::string>{"170°E", "180°", "170°W"}));
}

TEST(GraticuleTest, LabelsStepsAndCellShape) {
  EXPECT_EQ(plot::latitude_label(30), "30°N");
  EXPECT_EQ(plot::latitude_label(-12.5), "12.5°S");
  EXPECT_EQ(plot::latitude_label(0), "0°");
  EXPECT_EQ(plot::longitude_label(-100), "100°W");
  EXPECT_EQ(plot::longitude_label(190), "170°W");
  EXPECT_EQ(plot::longitude_label(180), "180°");
  EXPECT_EQ(plot::longitude_label(-180), "180°");
  EXPECT_EQ(plot::longitude_label(0.25), "0.25°E");
  EXPECT_EQ(plot::degree_step(9), 2.5);
  EXPECT_EQ(plot::degree_step(16), 5);
  EXPECT_EQ(plot::degree_step(360), 90);
  EXPECT_EQ(plot::degree_step(0.3), 0.1);
  EXPECT_EQ(plot::degree_step(1e4), 90);

  // 2 degrees of longitude by 1.5 of latitude around 33.75N.
  const auto ced = projection_of(navigation("CED", 8, 6, 30, -100, 37.5f, -86));
  EXPECT_NEAR(plot::cell_aspect(ced), 2 * std::cos(33.75 * M_PI / 180) / 1.5, 1e-6);
  const auto lcc = projection_of(navigation("LCC", 30, 20, 20, -120, 50, -60, 25, -95, 25));
  EXPECT_NEAR(plot::cell_aspect(lcc), std::abs(lcc.dx() / lcc.dy()), 1e-12);
}

}  // namespace
