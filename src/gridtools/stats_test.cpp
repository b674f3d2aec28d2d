// Grid statistics: every point lands in exactly one count, and the figures
// describe only the finite, non-missing values.
#include "gridtools/stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(StatsTest, CountsMissingNanAndInfinitiesApart) {
  const std::vector<float> v{1.0f, -9999.0f, kNan, kInf, -kInf, 3.0f, -9999.05f, -9999.2f};
  const gridtools::GridStats s = gridtools::compute_stats(v);
  EXPECT_EQ(s.points, 8u);
  EXPECT_EQ(s.missing, 2u);  // -9999 and -9999.05 are within 0.1; -9999.2 is a value
  EXPECT_EQ(s.nan, 1u);
  EXPECT_EQ(s.infinite, 2u);
  EXPECT_EQ(s.valid, 3u);
  EXPECT_EQ(s.min, -9999.2f);
  EXPECT_EQ(s.max, 3.0f);
  EXPECT_EQ(s.points, s.missing + s.nan + s.infinite + s.valid);
}

TEST(StatsTest, MeanAndPopulationStandardDeviation) {
  // 2, 4, 4, 4, 5, 5, 7, 9: mean 5, population standard deviation 2.
  const std::vector<float> v{2, 4, 4, 4, 5, 5, 7, 9};
  const gridtools::GridStats s = gridtools::compute_stats(v);
  EXPECT_DOUBLE_EQ(s.mean, 5.0);
  EXPECT_DOUBLE_EQ(s.stddev, 2.0);
}

TEST(StatsTest, LargeOffsetKeepsTheSpread) {
  // Pressures in Pa: 101325 +- 1 would lose the spread in a naive sum of squares of floats.
  std::vector<float> v;
  for (int k = 0; k < 100000; ++k) v.push_back(k % 2 == 0 ? 101324.0f : 101326.0f);
  const gridtools::GridStats s = gridtools::compute_stats(v);
  EXPECT_NEAR(s.mean, 101325.0, 1e-6);
  EXPECT_NEAR(s.stddev, 1.0, 1e-9);
}

TEST(StatsTest, NothingValid) {
  const std::vector<float> v{-9999.0f, kNan};
  const gridtools::GridStats s = gridtools::compute_stats(v);
  EXPECT_EQ(s.valid, 0u);
  EXPECT_EQ(s.mean, 0.0);
  EXPECT_EQ(gridtools::compute_stats({}).points, 0u);
}

TEST(StatsTest, FirstValueAfterMissingSetsBothBounds) {
  const std::vector<float> v{-9999.0f, 5.0f};
  const gridtools::GridStats s = gridtools::compute_stats(v);
  EXPECT_EQ(s.min, 5.0f);
  EXPECT_EQ(s.max, 5.0f);
  EXPECT_EQ(s.stddev, 0.0);
}

}  // namespace
