// Grid time texts ("261215/1200", "261215/1200F006") read as civil times with
// a year window, and written back from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "time/civil_time.h"
#include "time/year_window.h"

namespace timewin {

// A grid time as the library files it: a valid time ("V") comes back as the
// matching 'F' time, and a forecast part of zero ("A00") as none.
struct GridTimeReading {
  timecal::CivilTime reference;  // as held: hour 24 and minute 60 may occur
  char forecast_type = ' ';      // ' ' none, else 'F', 'A', 'G', 'I'
  int forecast_minutes = 0;      // forecast period
  // Minutes since 1970 of the reference time, and of the valid time
  // (reference + forecast period).
  std::int64_t reference_minutes() const;
  std::int64_t valid_minutes() const;
};

// nullopt for a blank or unconvertible text, one longer than 20 characters,
// or a date the window's year does not have (29 February of a two-digit year
// 00 in a window where 00 is not a leap year).
std::optional<GridTimeReading> read_grid_time(std::string_view text, const YearWindow& window);

// The same in minutes since 1970.
struct GridTimeMinutes {
  std::int64_t reference = 0;
  std::int64_t valid = 0;
  bool forecast = false;  // the text has a forecast part
  int forecast_minutes = 0;
};
std::optional<GridTimeMinutes> grid_time_minutes(std::string_view text, const YearWindow& window);

// The time text of a reference time and forecast period: "yymmdd/hhmm" (the
// year's last two digits), and when forecast is set "F" and the period (hhh,
// or hhhmm when it has minutes). nullopt when the period is negative, beyond
// 999 hours 59 minutes, or set without forecast.
std::optional<std::string> grid_time_text(const timecal::CivilTime& reference, bool forecast,
                                          std::int64_t forecast_minutes);

}  // namespace timewin
