#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <climits>

#include "time/ti.h"
#include "time/ti_codes.h"

namespace {

using namespace timecodes;
using Fields = std::array<int, 5>;

Fields SubtractDay(Fields in) {
  Fields out{};
  int iret = 99;
  ti_subd(in, out, iret);
  EXPECT_EQ(iret, 0);
  return out;
}

Fields SubtractMinutes(Fields in, int nsubm) {
  int iret = 99;
  ti_subm(in, nsubm, in, iret);  // in place: the arrays may alias
  EXPECT_EQ(iret, 0);
  return in;
}

TEST(SubtractTest, OneDayAcrossMonthYearAndLeapDay) {
  EXPECT_EQ(SubtractDay({91, 3, 1, 6, 0}), (Fields{91, 2, 28, 6, 0}));
  EXPECT_EQ(SubtractDay({92, 3, 1, 6, 0}), (Fields{92, 2, 29, 6, 0}));
  EXPECT_EQ(SubtractDay({91, 1, 1, 0, 0}), (Fields{90, 12, 31, 0, 0}));
  EXPECT_EQ(SubtractDay({0, 3, 1, 0, 0}), (Fields{0, 2, 29, 0, 0}));  // 00 is a leap year
  EXPECT_EQ(SubtractDay({1900, 3, 1, 0, 0}), (Fields{1900, 2, 28, 0, 0}));
  EXPECT_EQ(SubtractDay({2000, 3, 1, 0, 0}), (Fields{2000, 2, 29, 0, 0}));
  EXPECT_EQ(SubtractDay({91, 5, 1, 12, 0}), (Fields{91, 4, 30, 12, 0}));
  EXPECT_EQ(SubtractDay({0, 1, 1, 0, 0}), (Fields{-1, 12, 31, 0, 0}));  // below year 0
}

TEST(SubtractTest, MinutesBorrowHoursAndDays) {
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 0, 30}, 90), (Fields{1991, 8, 22, 23, 0}));
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 0, 30}, 30), (Fields{1991, 8, 23, 0, 0}));
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 0, 30}, 2880), (Fields{1991, 8, 21, 0, 30}));
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 0, 30}, 0), (Fields{1991, 8, 23, 0, 30}));
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 5, 10}, 11), (Fields{1991, 8, 23, 4, 59}));
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 5, 10}, 310), (Fields{1991, 8, 23, 0, 0}));
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 5, 10}, 311), (Fields{1991, 8, 22, 23, 59}));
  // 366 days back across 29 February 1992.
  EXPECT_EQ(SubtractMinutes({1992, 12, 31, 12, 0}, 366 * 1440), (Fields{1991, 12, 31, 12, 0}));
  // Hour and minute are not checked; an hour above 23 stays when nothing is borrowed.
  EXPECT_EQ(SubtractMinutes({1991, 8, 23, 30, 90}, 10), (Fields{1991, 8, 23, 30, 80}));
}

// The proleptic Gregorian calendar of <chrono> (with a year 0) as the reference.
Fields ChronoMinus(int year, unsigned month, unsigned day, long long nsubm) {
  using namespace std::chrono;
  auto start =
      sys_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
  auto when = sys_time<minutes>{start} - minutes{nsubm};
  auto date = floor<days>(when);
  year_month_day ymd{date};
  auto hm = duration_cast<minutes>(when - date).count();
  return {int{ymd.year()}, static_cast<int>(unsigned{ymd.month()}),
          static_cast<int>(unsigned{ymd.day()}), static_cast<int>(hm / 60),
          static_cast<int>(hm % 60)};
}

TEST(SubtractTest, LongSubtractionsMatchTheCalendar) {
  for (int nsubm : {1440 * 365, 1440 * 146097 - 1, 1440 * 146097, 1440 * 146097 + 1, INT_MAX}) {
    EXPECT_EQ(SubtractMinutes({2000, 1, 1, 0, 0}, nsubm), ChronoMinus(2000, 1, 1, nsubm)) << nsubm;
    EXPECT_EQ(SubtractMinutes({1000, 3, 1, 0, 0}, nsubm), ChronoMinus(1000, 3, 1, nsubm)) << nsubm;
  }
  // Most negative hour and minute: far below year 0, still a valid month and day.
  Fields f = SubtractMinutes({1000, 1, 1, INT_MIN, INT_MIN}, 0);
  EXPECT_LT(f[0], -200000);
  EXPECT_TRUE(f[1] >= 1 && f[1] <= 12 && f[2] >= 1 && f[2] <= 31);
  EXPECT_TRUE(f[3] >= 0 && f[3] < 24 && f[4] >= 0 && f[4] < 60);
}

TEST(SubtractTest, InvalidInputWritesNothing) {
  const Fields sentinel{7, 7, 7, 7, 7};
  auto code = [&](Fields in) {
    Fields out = sentinel;
    int iret = 0;
    ti_subm(in, 60, out, iret);
    EXPECT_EQ(out, sentinel);
    return iret;
  };
  EXPECT_EQ(code({150, 1, 1, 0, 0}), kTiBadYear);
  EXPECT_EQ(code({-1, 1, 1, 0, 0}), kTiBadYear);
  EXPECT_EQ(code({999, 1, 1, 0, 0}), kTiBadYear);
  EXPECT_EQ(code({91, 0, 1, 0, 0}), kTiBadMonth);
  EXPECT_EQ(code({91, 13, 1, 0, 0}), kTiBadMonth);
  EXPECT_EQ(code({91, 2, 29, 0, 0}), kTiBadDay);
  EXPECT_EQ(code({91, 2, 0, 0, 0}), kTiBadDay);
  EXPECT_EQ(code({1900, 2, 29, 0, 0}), kTiBadDay);
}

}  // namespace
