#include "grid/gd.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Time = std::array<int, 3>;

class TimeListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid::reset_state();
    grdcmn = GridCommonBlock{};
  }
  void add(int f, Time t) {
    int iret = -1;
    gd_addt(f, t, iret);
    EXPECT_EQ(iret, 0);
  }
  std::vector<Time> times(int f) const {
    std::vector<Time> v;
    for (int k = 1; k <= grdcmn.gfntime[grid::file_index(f)]; ++k) {
      v.push_back({grdcmn.gftimes[grid::time_index(1, k, f)],
                   grdcmn.gftimes[grid::time_index(2, k, f)],
                   grdcmn.gftimes[grid::time_index(3, k, f)]});
    }
    return v;
  }
  std::vector<int> counts(int f) const {
    std::vector<int> v;
    for (int k = 1; k <= grdcmn.gfntime[grid::file_index(f)]; ++k) {
      v.push_back(grdcmn.gftgrid[grid::tgrid_index(k, f)]);
    }
    return v;
  }
};

TEST_F(TimeListTest, InsertsInOrderAndCountsRepeats) {
  const Time t1 = {910822, 1800, 0}, t2 = {910823, 0, 0}, t3 = {910823, 1200, 0};
  grdcmn.gflist[grid::list_index(1, 2)] = 77;
  add(2, t2);
  add(2, t1);
  add(2, t3);
  add(2, t2);
  EXPECT_EQ(times(2), (std::vector<Time>{t1, t2, t3}));
  EXPECT_EQ(counts(2), (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(grdcmn.gfgrids[1], 4);
  EXPECT_EQ(grdcmn.gflist[grid::list_index(1, 2)], 0);
  // The other files' lists are untouched.
  EXPECT_EQ(grdcmn.gfntime[0], 0);
  EXPECT_EQ(grdcmn.gfntime[2], 0);
}

TEST_F(TimeListTest, ComparesDateThenTimeThenForecastAsSignedIntegers) {
  add(1, {910823, 1200, 101200});
  add(1, {910823, 1200, 0});
  add(1, {910823, 600, 300000});
  add(1, {991231, 0, 0});
  add(1, {101, 0, 0});    // year 00 sorts before 99
  add(1, {-8769, 0, 0});  // year -1 from stepping back over 1 January 00
  EXPECT_EQ(times(1), (std::vector<Time>{{-8769, 0, 0},
                                         {101, 0, 0},
                                         {910823, 600, 300000},
                                         {910823, 1200, 0},
                                         {910823, 1200, 101200},
                                         {991231, 0, 0}}));
  EXPECT_EQ(counts(1), (std::vector<int>(6, 1)));
}

TEST_F(TimeListTest, FullListSkipsNewTimesButCountsGrids) {
  for (int k = 0; k < grid::kMaxTimes; ++k) add(3, {k * 2, 0, 0});
  ASSERT_EQ(grdcmn.gfntime[2], grid::kMaxTimes);
  add(3, {1, 0, 0});     // would go second: no room
  add(3, {5000, 0, 0});  // later than all: no room
  add(3, {0, 0, 0});     // already listed: counted
  EXPECT_EQ(grdcmn.gfntime[2], grid::kMaxTimes);
  EXPECT_EQ(grdcmn.gfgrids[2], grid::kMaxTimes + 3);
  const auto listed = times(3);
  EXPECT_EQ(listed.front(), (Time{0, 0, 0}));
  EXPECT_EQ(listed[1], (Time{2, 0, 0}));
  EXPECT_EQ(listed.back(), (Time{(grid::kMaxTimes - 1) * 2, 0, 0}));
  EXPECT_EQ(counts(3).front(), 2);
}

TEST_F(TimeListTest, FileNumberOutsideOneToThreeChangesNothing) {
  int iret = -1;
  gd_addt(0, Time{1, 2, 3}, iret);
  EXPECT_EQ(iret, 0);
  gd_addt(4, Time{1, 2, 3}, iret);
  EXPECT_EQ(iret, 0);
  for (int f = 1; f <= 3; ++f) EXPECT_EQ(grdcmn.gfgrids[grid::file_index(f)], 0);
}

}  // namespace
