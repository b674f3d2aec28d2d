// Colour-bar ticks: round values, evenly spaced, inside the range, never
// fewer than two, and labels with just the decimals the step needs.
#include "plot/ticks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using plot::nice_ticks;
using plot::tick_label;

TEST(TicksTest, KnownRanges) {
  auto t = nice_ticks(0, 10);
  EXPECT_EQ(t.step, 2);
  EXPECT_EQ(t.values, (std::vector<double>{0, 2, 4, 6, 8, 10}));
  EXPECT_EQ(t.labels, (std::vector<std::string>{"0", "2", "4", "6", "8", "10"}));

  t = nice_ticks(271.3, 290.1);
  EXPECT_EQ(t.step, 5);
  EXPECT_EQ(t.values, (std::vector<double>{275, 280, 285, 290}));

  t = nice_ticks(285.35, 291.33);  // a step near a fifth of the span, not above it
  EXPECT_EQ(t.values, (std::vector<double>{286, 287, 288, 289, 290, 291}));

  t = nice_ticks(-1.3, 0.7);
  EXPECT_DOUBLE_EQ(t.step, 0.5);
  EXPECT_EQ(t.labels, (std::vector<std::string>{"-1.0", "-0.5", "0.0", "0.5"}));

  t = nice_ticks(99000, 103000);
  EXPECT_EQ(t.step, 1000);
  EXPECT_EQ(t.labels.front(), "99000");
  EXPECT_EQ(t.labels.back(), "103000");
}

TEST(TicksTest, EveryRangeGetsEvenRoundTicksInside) {
  for (double lo : {-1e6, -273.15, -1.0, 0.0, 1e-4, 0.3, 285.0, 101325.0}) {
    for (double span : {1e-5, 0.003, 0.2, 0.99, 1.0, 7.0, 18.8, 250.0, 12345.0, 3e7}) {
      const double hi = lo + span;
      const auto t = nice_ticks(lo, hi);
      ASSERT_GE(t.values.size(), 2u) << lo << " " << span;
      EXPECT_LE(t.values.size(), 12u) << lo << " " << span;
      ASSERT_EQ(t.labels.size(), t.values.size());
      // A step of 1, 2 or 5 times a power of ten.
      const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step) + 1e-9));
      EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                  std::abs(mantissa - 5) < 1e-6)
          << lo << " " << span << " step " << t.step;
      for (std::size_t k = 0; k < t.values.size(); ++k) {
        EXPECT_GE(t.values[k], lo);
        EXPECT_LE(t.values[k], hi);
        if (k > 0) {
          EXPECT_NEAR(t.values[k] - t.values[k - 1], t.step, t.step * 1e-6 + std::abs(lo) * 1e-15);
          EXPECT_NE(t.labels[k], t.labels[k - 1]) << lo << " " << span;
        }
      }
    }
  }
}

TEST(TicksTest, LabelsCarryTheStepsDecimals) {
  EXPECT_EQ(tick_label(0.25, 0.05), "0.25");
  EXPECT_EQ(tick_label(1000, 500), "1000");
  EXPECT_EQ(tick_label(285, 5), "285");
  EXPECT_EQ(tick_label(0.3, 0.1), "0.3");
  EXPECT_EQ(tick_label(2e7, 5e6), "2.0e+07");
  EXPECT_EQ(tick_label(1.5e7, 5e6), "1.5e+07");
  EXPECT_EQ(tick_label(3e-6, 1e-6), "3e-06");
  EXPECT_EQ(nice_ticks(-0.3, 0.3).labels,
            (std::vector<std::string>{"-0.3", "-0.2", "-0.1", "0.0", "0.1", "0.2", "0.3"}));
}

TEST(TicksTest, ValueText) {
  EXPECT_EQ(plot::value_text(285.35f), "285.35");
  EXPECT_EQ(plot::value_text(101325), "101325");
  EXPECT_EQ(plot::value_text(-0.0), "0");
  EXPECT_EQ(plot::value_text(1.5e-7), "1.5e-07");
}

}  // namespace
