// The calendar rules shared by the date/time routines: leap years and days per
// month. Years are taken as held (a two-digit year 00 is a leap year).
#pragma once

#include <array>

namespace timecal {

// Days per month; entry 13 is February of a leap year.
inline constexpr std::array<int, 13> kDaysPerMonth = {31, 28, 31, 30, 31, 30, 31,
                                                      31, 30, 31, 30, 31, 29};

inline constexpr bool is_leap_year(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Days in `month` (1-13) of `year`: February of a leap year reads entry 13.
// A month outside 1-13 has no entry and gives 0, which no day satisfies.
inline constexpr int days_in_month(int year, int month) {
  if (month < 1 || month > 13) return 0;
  if (month == 2 && is_leap_year(year)) month = 13;
  return kDaysPerMonth[static_cast<std::size_t>(month - 1)];
}

}  // namespace timecal
