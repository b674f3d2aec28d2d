// Calendar arithmetic across month, year and century ends, and its texts.
#include "time/civil_time.h"

#include <gtest/gtest.h>

namespace {

using timecal::CivilTime;
using timecal::from_minutes;
using timecal::to_minutes;

TEST(CivilMinutes, KnownDatesAndTheirInverse) {
  EXPECT_EQ(to_minutes({1970, 1, 1, 0, 0}), 0);
  EXPECT_EQ(to_minutes({1970, 1, 2, 0, 1}), 1441);
  // 2000-02-29 is day 11016 after 1970-01-01 (30 years with 7 leap days
  // before it: 30 * 365 + 7 + 31 + 28 = 11016).
  EXPECT_EQ(to_minutes({2000, 2, 29, 0, 0}), 11016LL * 1440);
  EXPECT_EQ(to_minutes({1969, 12, 31, 23, 59}), -1);
  EXPECT_EQ(to_minutes({1991, 8, 23, 24, 0}), to_minutes({1991, 8, 24, 0, 0}));  // hour 24
  for (const CivilTime t : {CivilTime{1900, 2, 28, 23, 59}, CivilTime{2000, 2, 29, 12, 30},
                            CivilTime{1999, 12, 31, 23, 59}, CivilTime{2100, 3, 1, 0, 0},
                            CivilTime{1921, 1, 1, 0, 0}, CivilTime{2049, 12, 31, 23, 59},
                            CivilTime{1, 1, 1, 0, 0}, CivilTime{-4713, 11, 24, 12, 0}}) {
    EXPECT_EQ(from_minutes(to_minutes(t)), t) << timecal::cf_text(t);
  }
  EXPECT_EQ(from_minutes(-1), (CivilTime{1969, 12, 31, 23, 59}));
  // Every day of four centuries steps by exactly one day.
  const std::int64_t start = to_minutes({1900, 1, 1, 0, 0});
  CivilTime previous = from_minutes(start);
  for (std::int64_t d = 1; d < 146097; ++d) {
    const CivilTime t = from_minutes(start + d * 1440);
    ASSERT_TRUE(timecal::valid_date(t.year, t.month, t.day));
    ASSERT_EQ(to_minutes(t), start + d * 1440);
    ASSERT_TRUE(t.day == previous.day + 1 || t.day == 1);
    previous = t;
  }
  // Far out of range is held at the limit, not overflowed.
  EXPECT_GT(from_minutes(INT64_MAX).year, 2000000);
  EXPECT_LT(from_minutes(INT64_MIN).year, -2000000);
}

TEST(CivilMinutes, Texts) {
  EXPECT_EQ(timecal::cf_text({2024, 1, 5, 6, 7}), "2024-01-05 06:07:00");
  EXPECT_EQ(timecal::iso8601({2026, 12, 15, 12, 0}), "2026-12-15T12:00Z");
  EXPECT_FALSE(timecal::valid_date(1900, 2, 29));
  EXPECT_TRUE(timecal::valid_date(2000, 2, 29));
  EXPECT_FALSE(timecal::valid_date(2026, 13, 1));
  EXPECT_FALSE(timecal::valid_date(2026, 4, 31));
}

}  // namespace
