// Point-by-point comparison: which pairs differ under each tolerance, where
// the largest differences are (column, row from the bottom), and how
// missing, NaN and infinite points are judged.
#include "gridtools/compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using gridtools::compare_values;
using gridtools::Tolerance;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(CompareTest, IdenticalGridsAreEqual) {
  const std::vector<float> a{1, 2, -9999, kNan, kInf, -0.0f};
  std::vector<float> b = a;
  b[5] = 0.0f;  // 0 and -0 are equal values
  const gridtools::Comparison c = compare_values(a, b, 3, {});
  EXPECT_TRUE(c.equal());
  EXPECT_EQ(c.compared, 3u);
  EXPECT_EQ(c.max_abs, 0.0);
  EXPECT_EQ(c.rms, 0.0);
}

TEST(CompareTest, LargestDifferencesAndWhere) {
  // 3 x 2, bottom row first: (1,1) (2,1) (3,1) / (1,2) (2,2) (3,2).
  const std::vector<float> a{10, 20, 30, 1, 2, 3};
  const std::vector<float> b{10, 20, 30.5f, 1, 2.25f, 3};
  const gridtools::Comparison c = compare_values(a, b, 3, {});
  EXPECT_EQ(c.differing, 2u);
  EXPECT_DOUBLE_EQ(c.max_abs, 0.5);
  EXPECT_EQ(c.max_abs_at.i, 3);
  EXPECT_EQ(c.max_abs_at.j, 1);
  EXPECT_EQ(c.max_abs_at.a, 30.0f);
  EXPECT_EQ(c.max_abs_at.b, 30.5f);
  // Relative: 0.25 / 2.25 at (2,2) beats 0.5 / 30.5.
  EXPECT_DOUBLE_EQ(c.max_rel, 0.25 / 2.25);
  EXPECT_EQ(c.max_rel_at.i, 2);
  EXPECT_EQ(c.max_rel_at.j, 2);
  EXPECT_DOUBLE_EQ(c.rms, std::sqrt((0.25 + 0.0625) / 6));
}

TEST(CompareTest, TolerancesEitherOrBoth) {
  const std::vector<float> a{100, 1};
  const std::vector<float> b{100.5f, 1.25f};
  // |d| 0.5 and 0.25; relative 0.5/100.5 (about 0.005) and 0.25/1.25 = 0.2.
  EXPECT_EQ(compare_values(a, b, 2, {}).differing, 2u);
  EXPECT_EQ(compare_values(a, b, 2, Tolerance{0.3, 0}).differing, 1u);
  EXPECT_EQ(compare_values(a, b, 2, Tolerance{0.5, 0}).differing, 0u);  // within is equal
  EXPECT_EQ(compare_values(a, b, 2, Tolerance{0, 0.01}).differing, 1u);
  EXPECT_EQ(compare_values(a, b, 2, Tolerance{0, 0.2}).differing, 0u);
  // Either tolerance suffices: 100 vs 100.5 within rel, 1 vs 1.25 within abs.
  EXPECT_EQ(compare_values(a, b, 2, Tolerance{0.25, 0.01}).differing, 0u);
  EXPECT_EQ(compare_values(a, b, 2, Tolerance{0.2, 0.001}).differing, 2u);
}

TEST(CompareTest, MissingAgainstAValueDiffersWhateverTheTolerance) {
  const std::vector<float> a{-9999, 1, -9999.05f, 4};
  const std::vector<float> b{5, -9999, -9999, 4};
  const gridtools::Comparison c = compare_values(a, b, 2, Tolerance{1e30, 1});
  EXPECT_EQ(c.differing, 2u);
  EXPECT_EQ(c.missing_only_a, 1u);
  EXPECT_EQ(c.missing_only_b, 1u);
  EXPECT_EQ(c.compared, 1u);  // the two missing points are equal and not compared
}

TEST(CompareTest, NonFiniteValues) {
  const std::vector<float> a{kNan, kInf, kInf, 1};
  const std::vector<float> b{1, -kInf, kInf, kNan};
  const gridtools::Comparison c = compare_values(a, b, 4, Tolerance{1e30, 0});
  EXPECT_EQ(c.differing, 3u);
  EXPECT_EQ(c.nonfinite_mismatch, 3u);
  EXPECT_EQ(c.compared, 0u);
}

}  // namespace
