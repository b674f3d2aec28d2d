// Pairing by identifier and navigation differences.
#include "gridtools/matching.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

gridfile::GridInfo grid(int number, std::string param, int level,
                        std::string time = "910823/1200") {
  gridfile::GridInfo g;
  g.number = number;
  g.id.time1 = std::move(time);
  g.id.level1 = level;
  g.id.vcoord = gridfile::Vcoord::kPres;
  g.id.param = std::move(param);
  return g;
}

TEST(MatchingTest, PairsByIdentifierNotByNumber) {
  const std::vector<gridfile::GridInfo> a{grid(1, "TMPK", 850), grid(2, "TMPK", 700),
                                          grid(3, "PMSL", 0)};
  const std::vector<gridfile::GridInfo> b{grid(1, "PMSL", 0), grid(2, "TMPK", 850),
                                          grid(3, "TMPK", 500)};
  const gridtools::Matching m = gridtools::match_grids(a, b);
  ASSERT_EQ(m.pairs.size(), 2u);
  EXPECT_EQ(m.pairs[0].first.number, 1);  // A's order
  EXPECT_EQ(m.pairs[0].second.number, 2);
  EXPECT_EQ(m.pairs[1].first.number, 3);
  EXPECT_EQ(m.pairs[1].second.number, 1);
  ASSERT_EQ(m.only_a.size(), 1u);
  EXPECT_EQ(m.only_a[0].id.level1, 700);
  ASSERT_EQ(m.only_b.size(), 1u);
  EXPECT_EQ(m.only_b[0].id.level1, 500);
}

TEST(MatchingTest, EveryFieldOfTheIdentifierCounts) {
  gridfile::GridInfo a = grid(1, "TMPK", 850), b = a;
  b.id.time2 = "910823/0000";
  gridfile::GridInfo c = a;
  c.id.level2 = 700;
  gridfile::GridInfo d = a;
  d.id.vcoord = gridfile::Vcoord::kHght;
  gridfile::GridInfo e = a;
  e.id.time1 = "910823/1200F006";
  const gridtools::Matching m = gridtools::match_grids({a}, {b, c, d, e});
  EXPECT_TRUE(m.pairs.empty());
  EXPECT_EQ(m.only_a.size(), 1u);
  EXPECT_EQ(m.only_b.size(), 4u);
}

TEST(MatchingTest, NavigationDifferencesInBlockOrder) {
  gridfile::Navigation a{"CED", 8, 6, 30, -100, 37.5f, -86, 0, 0, 0};
  gridfile::Navigation b = a;
  EXPECT_TRUE(gridtools::navigation_differences(a, b).empty());
  b.projection = "LCC";
  b.ny = 7;
  b.lon2 = -85.5f;
  b.angle3 = 25;
  const std::vector<gridtools::FieldDifference> d = gridtools::navigation_differences(a, b);
  const std::vector<gridtools::FieldDifference> want{{"projection", "CED", "LCC"},
                                                     {"ny", "6", "7"},
                                                     {"lon2", "-86", "-85.5"},
                                                     {"angle3", "0", "25"}};
  EXPECT_EQ(d, want);
  a.lat1 = b.lat1 = std::nanf("");
  EXPECT_EQ(gridtools::navigation_differences(a, b).size(), 4u);  // two NaNs are the same
}

}  // namespace
