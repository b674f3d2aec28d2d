// Tests of the export layout: variables per parameter and vertical
// coordinate, the shared time axis in valid-time order, level axes, the slot
// of every grid, and the refusals of layouts CF cannot hold.
#include "nc/export_plan.h"

#include <gtest/gtest.h>

#include <optional>

namespace nc {
namespace {

gridfile::GridInfo grid(int number, std::string time1, int level1, gridfile::Vcoord vcoord,
                        std::string param, std::optional<int> level2 = std::nullopt,
                        std::string time2 = "") {
  gridfile::GridInfo g;
  g.number = number;
  g.id.time1 = std::move(time1);
  g.id.time2 = std::move(time2);
  g.id.level1 = level1;
  g.id.level2 = level2;
  g.id.vcoord = vcoord;
  g.id.param = std::move(param);
  g.nx = 4;
  g.ny = 3;
  return g;
}

constexpr gridfile::Vcoord kPres = gridfile::Vcoord::kPres, kNone = gridfile::Vcoord::kNone;

TEST(ExportPlan, TheConvertersLayoutGivesOneVariablePerParameter) {
  // Two times x (TMPK at 850, 700, 500 hPa; PMSL at the surface), in the
  // converter's order.
  std::vector<gridfile::GridInfo> grids;
  int n = 0;
  for (const char* t : {"240101/0000", "240101/1200"}) {
    for (int l : {850, 700, 500}) grids.push_back(grid(++n, t, l, kPres, "TMPK"));
    grids.push_back(grid(++n, t, 0, kNone, "PMSL"));
  }
  const auto plan = plan_export(grids, timewin::YearWindow::starting(2000).value());
  ASSERT_TRUE(plan.ok()) << plan.error().text;
  ASSERT_EQ(plan->times.size(), 2u);
  EXPECT_EQ(plan->times[0].time1, "240101/0000");
  EXPECT_EQ(plan->epoch_minutes, to_minutes({2024, 1, 1, 0, 0}));
  EXPECT_FALSE(plan->any_forecast);
  ASSERT_EQ(plan->level_axes.size(), 1u);
  EXPECT_EQ(plan->level_axes[0].name, "pressure");
  EXPECT_EQ(plan->level_axes[0].levels,
            (std::vector<std::pair<int, int>>{{500, -1}, {700, -1}, {850, -1}}));
  EXPECT_FALSE(plan->level_axes[0].has_level2());
  ASSERT_EQ(plan->variables.size(), 2u);
  const VariablePlan& t = plan->variables[0];
  EXPECT_EQ(t.name, "TMPK");
  EXPECT_TRUE(t.timed);
  EXPECT_EQ(t.level_axis, 0);
  // Slots time-major, levels in axis order (500, 700, 850).
  EXPECT_EQ(t.grid_numbers, (std::vector<int>{3, 2, 1, 7, 6, 5}));
  const VariablePlan& p = plan->variables[1];
  EXPECT_EQ(p.name, "PMSL");
  EXPECT_EQ(p.level_axis, -1);
  EXPECT_EQ(p.grid_numbers, (std::vector<int>{4, 8}));
}

TEST(ExportPlan, TimesSortByValidTimeAndForecastsAreMarked) {
  const std::vector<gridfile::GridInfo> grids = {
      grid(1, "240101/0000F012", 0, kNone, "T"),
      grid(2, "240101/0000F006", 0, kNone, "T"),
      grid(3, "231231/1800F000", 0, kNone, "T"),
  };
  const auto plan = plan_export(grids, timewin::YearWindow::starting(2000).value());
  ASSERT_TRUE(plan.ok()) << plan.error().text;
  ASSERT_EQ(plan->times.size(), 3u);
  EXPECT_EQ(plan->times[0].time1, "231231/1800F000");
  EXPECT_EQ(plan->times[1].time1, "240101/0000F006");
  EXPECT_EQ(plan->times[2].time1, "240101/0000F012");
  EXPECT_TRUE(plan->any_forecast);
  EXPECT_EQ(plan->times[2].minutes.valid - plan->epoch_minutes, 18 * 60);
  EXPECT_EQ(plan->times[2].minutes.reference, to_minutes({2024, 1, 1, 0, 0}));
  EXPECT_EQ(plan->variables[0].grid_numbers, (std::vector<int>{3, 2, 1}));
}

TEST(ExportPlan, SparseGridsLeaveEmptySlots) {
  const std::vector<gridfile::GridInfo> grids = {
      grid(1, "240101/0000", 850, kPres, "TMPK"),
      grid(2, "240101/0600", 500, kPres, "TMPK"),
  };
  const auto plan = plan_export(grids, timewin::YearWindow::starting(2000).value());
  ASSERT_TRUE(plan.ok());
  EXPECT_EQ(plan->variables[0].grid_numbers, (std::vector<int>{0, 1, 2, 0}));
}

TEST(ExportPlan, SameParameterOnTwoCoordinatesOrWithoutTimeGetsDistinctNames) {
  const std::vector<gridfile::GridInfo> grids = {
      grid(1, "240101/0000", 850, kPres, "TMPK"),
      grid(2, "240101/0000", 2, gridfile::Vcoord::kHght, "TMPK"),
      grid(3, "", 850, kPres, "TMPK"),
      grid(4, "240101/0000", 500, kPres, "HGHT"),
      grid(5, "240101/0000", 0, kNone, "9ABC/X"),
  };
  const auto plan = plan_export(grids, timewin::YearWindow::starting(2000).value());
  ASSERT_TRUE(plan.ok()) << plan.error().text;
  ASSERT_EQ(plan->variables.size(), 5u);
  EXPECT_EQ(plan->variables[0].name, "TMPK_PRES");
  EXPECT_EQ(plan->variables[1].name, "TMPK_HGHT");
  EXPECT_EQ(plan->variables[2].name, "TMPK_PRES_notime");
  EXPECT_FALSE(plan->variables[2].timed);
  EXPECT_EQ(plan->variables[3].name, "HGHT");
  EXPECT_EQ(plan->variables[4].name, "v9ABC_X");
  // TMPK and TMPK_notime share the 850 hPa axis; HGHT has its own (500).
  EXPECT_EQ(plan->variables[0].level_axis, plan->variables[2].level_axis);
  ASSERT_EQ(plan->level_axes.size(), 3u);
  EXPECT_EQ(plan->level_axes[1].name, "height");
  EXPECT_EQ(plan->level_axes[2].name, "pressure_2");
}

TEST(ExportPlan, LayersKeepTheirSecondLevel) {
  const std::vector<gridfile::GridInfo> grids = {
      grid(1, "240101/0000", 850, kPres, "THCK", 500),
      grid(2, "240101/0000", 1000, kPres, "THCK", 500),
  };
  const auto plan = plan_export(grids, timewin::YearWindow::starting(2000).value());
  ASSERT_TRUE(plan.ok());
  EXPECT_TRUE(plan->level_axes[0].has_level2());
  EXPECT_EQ(plan->level_axes[0].levels,
            (std::vector<std::pair<int, int>>{{850, 500}, {1000, 500}}));
}

// Layouts a CF coordinate cannot hold.
TEST(ExportPlan, RefusesWhatWouldNotBeMonotonic) {
  auto refused = [](const std::vector<gridfile::GridInfo>& grids, const char* expected) {
    const auto plan = plan_export(grids, timewin::YearWindow::starting(2000).value());
    ASSERT_FALSE(plan.ok()) << expected;
    EXPECT_NE(plan.error().text.find(expected), std::string::npos) << plan.error().text;
  };
  // 00Z + 12 h and 06Z + 6 h are valid at the same time.
  refused({grid(1, "240101/0000F012", 0, kNone, "T"), grid(2, "240101/0600F006", 0, kNone, "T")},
          "same time");
  refused({grid(1, "240101/0000", 0, kNone, "T"),
           grid(2, "240101/0000", 0, kNone, "T", std::nullopt, "x")},
          "same time");
  refused({grid(1, "240101/0000", 850, kPres, "T", 500), grid(2, "240101/0000", 850, kPres, "T")},
          "two different second levels");
  refused({grid(7, "000000/0000", 0, kNone, "T")}, "grid 7");
  refused({grid(1, "", 0, kNone, "T", std::nullopt, "240101/0000")}, "second time");
}

TEST(ExportPlan, TheYearWindowDecidesTheCentury) {
  const std::vector<gridfile::GridInfo> grids = {grid(1, "240101/0000", 0, kNone, "T")};
  const auto old = timewin::YearWindow::starting(1921).value();
  EXPECT_EQ(plan_export(grids, old)->epoch_minutes, to_minutes({1924, 1, 1, 0, 0}));
  EXPECT_EQ(plan_export(grids, {})->epoch_minutes, to_minutes({2024, 1, 1, 0, 0}));
}

}  // namespace
}  // namespace nc
