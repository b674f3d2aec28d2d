// Tests of CF time units: the forms met in real files and their refusals.
#include "nc/cf_time.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nc {
namespace {

TEST(TimeUnits, FormsWrittenByCommonTools) {
  std::string error;
  struct Case {
    const char* units;
    double unit_seconds;
    CivilTime epoch;
    double seconds;
  } cases[] = {
      {"hours since 1900-01-01 00:00:00", 3600, {1900, 1, 1, 0, 0}, 0},
      {"days since 1970-1-1", 86400, {1970, 1, 1, 0, 0}, 0},
      {"minutes since 2024-02-29T06:30:00Z", 60, {2024, 2, 29, 6, 30}, 0},
      {"seconds since 2024-01-01 00:00:00.0", 1, {2024, 1, 1, 0, 0}, 0},
      {"Hours since 2024-01-01 12:00", 3600, {2024, 1, 1, 12, 0}, 0},
      {"hour since 2024-01-01 12:00:30 UTC", 3600, {2024, 1, 1, 12, 0}, 30},
      {"s since 2024-01-01 00:00:00 +00:00", 1, {2024, 1, 1, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    const auto u = parse_time_units(c.units, error);
    ASSERT_TRUE(u.has_value()) << c.units << ": " << error;
    EXPECT_EQ(u->unit_seconds, c.unit_seconds) << c.units;
    EXPECT_EQ(u->epoch_minutes, to_minutes(c.epoch)) << c.units;
    EXPECT_EQ(u->epoch_seconds, c.seconds) << c.units;
  }
}

TEST(TimeUnits, UnknownOrAmbiguousUnitsAreRefused) {
  std::string error;
  for (const char* bad :
       {"hours", "fortnights since 2024-01-01", "hours after 2024-01-01", "hours since 2023-02-29",
        "hours since 2024-13-01", "hours since 2024-01-01 25:00",
        "hours since 2024-01-01 06:00 +05:00", "hours since yesterday", ""}) {
    EXPECT_FALSE(parse_time_units(bad, error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  parse_time_units("hours since 2024-01-01 06:00 +05:00", error);
  EXPECT_NE(error.find("UTC"), std::string::npos);
}

TEST(TimeUnits, ValuesMustBeWholeMinutes) {
  std::string error;
  const auto hours = parse_time_units("hours since 2024-01-01", error);
  EXPECT_EQ(value_minutes(*hours, 1.5), to_minutes({2024, 1, 1, 1, 30}));
  EXPECT_EQ(value_minutes(*hours, -24), to_minutes({2023, 12, 31, 0, 0}));
  EXPECT_FALSE(value_minutes(*hours, 0.01).has_value());  // 36 seconds
  EXPECT_FALSE(value_minutes(*hours, std::nan("")).has_value());
  EXPECT_FALSE(value_minutes(*hours, 1e300).has_value());
  const auto seconds = parse_time_units("seconds since 2024-01-01 00:00:30", error);
  EXPECT_EQ(value_minutes(*seconds, 30), to_minutes({2024, 1, 1, 0, 1}));
  const auto days = parse_time_units("days since 2024-01-01", error);
  EXPECT_EQ(value_minutes(*days, 0.25), to_minutes({2024, 1, 1, 6, 0}));
}

TEST(Calendars, OnlyTheStandardOnesAreGridTimes) {
  for (const char* ok : {"", "standard", "gregorian", "proleptic_gregorian", "Gregorian"}) {
    EXPECT_TRUE(standard_calendar(ok)) << ok;
  }
  for (const char* bad : {"noleap", "365_day", "360_day", "julian", "all_leap", "none"}) {
    EXPECT_FALSE(standard_calendar(bad)) << bad;
  }
}

}  // namespace
}  // namespace nc
