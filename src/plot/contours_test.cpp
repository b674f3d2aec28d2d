// Contours: a Gaussian bump's isoline is one closed curve at the radius the
// formula gives; a missing point on it breaks the curve open; saddles pair
// their sides consistently; levels are round or at the asked interval.
#include "plot/contours.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gridfile/gridfile.h"

namespace {

constexpr int kSize = 41;
constexpr double kCentre = 21, kSigma = 6;

std::vector<float> bump() {
  std::vector<float> values;
  for (int j = 1; j <= kSize; ++j) {
    for (int i = 1; i <= kSize; ++i) {
      const double r2 = (i - kCentre) * (i - kCentre) + (j - kCentre) * (j - kCentre);
      values.push_back(static_cast<float>(std::exp(-r2 / (2 * kSigma * kSigma))));
    }
  }
  return values;
}

TEST(ContoursTest, GaussianBumpGivesClosedCurvesAtTheRightRadius) {
  const std::vector<double> levels = {0.25, 0.5, 0.75};
  const auto lines = plot::contour_lines(bump(), kSize, kSize, levels);
  ASSERT_EQ(lines.size(), 3u);
  for (const plot::Isoline& iso : lines) {
    EXPECT_TRUE(iso.closed) << iso.label;
    const double radius = kSigma * std::sqrt(-2 * std::log(iso.level));
    for (const plot::GridPoint& g : iso.points) {
      EXPECT_NEAR(std::hypot(g.i - kCentre, g.j - kCentre), radius, 0.08) << iso.label;
    }
    // A curve round the centre: it passes every side of it.
    EXPECT_GT(iso.points.size(), 20u);
  }
  EXPECT_EQ(lines[1].label, "0.5");
}

TEST(ContoursTest, MissingPointsBreakTheCurve) {
  std::vector<float> values = bump();
  // The point of the 0.5 ring due east of the centre, and one due north.
  const double radius = kSigma * std::sqrt(2 * std::log(2.0));
  const int east = static_cast<int>(std::lround(kCentre + radius));
  const int north = static_cast<int>(std::lround(kCentre + radius));
  values[static_cast<std::size_t>((21 - 1) * kSize + (east - 1))] = gridfile::kMissing;
  values[static_cast<std::size_t>((north - 1) * kSize + (21 - 1))] = std::nanf("");
  const std::vector<double> level = {0.5};
  const auto lines = plot::contour_lines(values, kSize, kSize, level);
  ASSERT_EQ(lines.size(), 2u);  // the ring cut in two places
  for (const plot::Isoline& iso : lines) {
    EXPECT_FALSE(iso.closed);
    // No piece runs through a square with a missing corner.
    for (const plot::GridPoint& g : iso.points) {
      EXPECT_FALSE(std::abs(g.i - east) < 1 && std::abs(g.j - 21) < 1) << g.i << "," << g.j;
      EXPECT_FALSE(std::abs(g.i - 21) < 1 && std::abs(g.j - north) < 1) << g.i << "," << g.j;
    }
  }
}

TEST(ContoursTest, SaddlesAndEdges) {
  // A saddle: high south-west and north-east corners. The mean (high) joins
  // them, so the level cuts two pieces, each round a low corner.
  const std::vector<float> saddle = {1, 0, 0, 1};
  const std::vector<double> level = {0.4};
  auto lines = plot::contour_lines(saddle, 2, 2, level);
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& iso : lines) {
    ASSERT_EQ(iso.points.size(), 2u);
    auto near_corner = [&iso](double i, double j) {
      return std::hypot(iso.points[0].i - i, iso.points[0].j - j) < 0.7 &&
             std::hypot(iso.points[1].i - i, iso.points[1].j - j) < 0.7;
    };
    EXPECT_TRUE(near_corner(2, 1) || near_corner(1, 2));
  }
  // A line across the grid ends at its edges: open.
  const std::vector<float> ramp = {0, 1, 2, 0, 1, 2, 0, 1, 2};
  const std::vector<double> half = {0.5};
  lines = plot::contour_lines(ramp, 3, 3, half);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_FALSE(lines[0].closed);
  ASSERT_EQ(lines[0].points.size(), 3u);
  for (const auto& g : lines[0].points) EXPECT_DOUBLE_EQ(g.i, 1.5);
  // Nothing to trace: one row, or no levels.
  EXPECT_TRUE(plot::contour_lines(ramp, 9, 1, half).empty());
  EXPECT_TRUE(plot::contour_lines(ramp, 3, 3, {}).empty());
}

TEST(ContoursTest, RoundLevelsOrTheInterval) {
  auto levels = plot::contour_levels(983.2, 1031.7, std::nullopt);
  ASSERT_TRUE(levels);
  EXPECT_EQ(*levels,
            (std::vector<double>{985, 990, 995, 1000, 1005, 1010, 1015, 1020, 1025, 1030}));
  levels = plot::contour_levels(983.2, 1031.7, 4.0);
  ASSERT_TRUE(levels);
  EXPECT_EQ(levels->front(), 984);
  EXPECT_EQ(levels->back(), 1028);
  // Levels equal to the ends are not drawn (nothing lies beyond them).
  levels = plot::contour_levels(0, 10, 5.0);
  EXPECT_EQ(*levels, std::vector<double>{5});
  EXPECT_FALSE(plot::contour_levels(0, 1000, 1.0));  // a thousand levels is no picture
  EXPECT_TRUE(plot::contour_levels(1, 1, std::nullopt)->empty());
}

}  // namespace
