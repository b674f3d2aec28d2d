// Grid time texts read with a window, and written back.
#include "time/grid_time_reading.h"

#include <gtest/gtest.h>

namespace {

using timecal::CivilTime;
using timecal::to_minutes;
using timewin::YearWindow;

const YearWindow kOld = YearWindow::starting(1921).value();

TEST(GridTimeReading, WidensWithTheWindow) {
  auto t = timewin::read_grid_time("261201/0000", YearWindow());
  ASSERT_TRUE(t);
  EXPECT_EQ(t->reference, (CivilTime{2026, 12, 1, 0, 0}));
  EXPECT_EQ(timewin::read_grid_time("261201/0000", kOld)->reference.year, 1926);
  EXPECT_EQ(timewin::read_grid_time("910823/1200", YearWindow())->reference.year, 1991);
  EXPECT_EQ(timewin::read_grid_time("491231/2359", YearWindow())->reference.year, 2049);
  EXPECT_EQ(timewin::read_grid_time("500101/0000", YearWindow())->reference.year, 1950);
  // 29 February of 00: 2000 in both windows, 1900 (no such day) in 1850-1949.
  EXPECT_TRUE(timewin::read_grid_time("000229/0000", YearWindow()));
  EXPECT_TRUE(timewin::read_grid_time("000229/0000", kOld));
  EXPECT_FALSE(timewin::read_grid_time("000229/0000", YearWindow::starting(1850).value()));
}

TEST(GridTimeReading, ForecastsAndValidTimes) {
  const auto t = timewin::read_grid_time("261215/1200F006", YearWindow());
  ASSERT_TRUE(t);
  EXPECT_EQ(t->forecast_type, 'F');
  EXPECT_EQ(t->forecast_minutes, 360);
  EXPECT_EQ(t->valid_minutes(), to_minutes({2026, 12, 15, 18, 0}));
  // A valid time ("V") is filed as its initial time.
  const auto v = timewin::read_grid_time("261215/1800V006", YearWindow());
  ASSERT_TRUE(v);
  EXPECT_EQ(v->reference, (CivilTime{2026, 12, 15, 12, 0}));
  EXPECT_EQ(v->valid_minutes(), t->valid_minutes());
  // Across the turn of the window's century.
  const auto m = timewin::grid_time_minutes("201231/1800F012", YearWindow());
  ASSERT_TRUE(m);
  EXPECT_EQ(m->valid, to_minutes({2021, 1, 1, 6, 0}));
  EXPECT_TRUE(m->forecast);
  for (const char* bad : {"", "   ", "261301/0000", "261201/0000X012", "261201/0000F012      x"}) {
    EXPECT_FALSE(timewin::read_grid_time(bad, YearWindow())) << bad;
  }
}

TEST(GridTimeReading, TextsOfReferenceTimes) {
  EXPECT_EQ(timewin::grid_time_text({2026, 12, 1, 0, 0}, false, 0), "261201/0000");
  EXPECT_EQ(timewin::grid_time_text({2024, 1, 1, 6, 0}, true, 90), "240101/0600F00130");
  EXPECT_EQ(timewin::grid_time_text({2024, 1, 1, 0, 0}, true, 0), "240101/0000F000");
  EXPECT_EQ(timewin::grid_time_text({1991, 8, 23, 12, 0}, true, 12 * 60), "910823/1200F012");
  EXPECT_EQ(timewin::grid_time_text({2024, 1, 1, 6, 0}, true, 999 * 60 + 59), "240101/0600F99959");
  EXPECT_FALSE(timewin::grid_time_text({2024, 1, 1, 6, 0}, true, 1000 * 60));
  EXPECT_FALSE(timewin::grid_time_text({2024, 1, 1, 6, 0}, true, -1));
  EXPECT_FALSE(timewin::grid_time_text({2024, 1, 1, 6, 0}, false, 60));
}

}  // namespace
