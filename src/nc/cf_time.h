// Times between the two worlds: CF time units ("hours since 2024-01-01
// 00:00:00", standard calendar) and the grid file's time texts
// ("240101/0000", "240101/0000F012"). Times are whole minutes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gridfile/gridfile.h"

namespace nc {

struct CivilTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0;
  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Minutes since 1970-01-01 00:00 (proleptic Gregorian calendar), and back.
std::int64_t to_minutes(const CivilTime& t);
CivilTime from_minutes(std::int64_t minutes);

// "2024-01-01 00:00:00".
std::string iso_text(const CivilTime& t);

// A CF time coordinate's units: unit length in seconds and the epoch.
struct TimeUnits {
  double unit_seconds = 60;
  std::int64_t epoch_minutes = 0;
  double epoch_seconds = 0;  // seconds past epoch_minutes (reference times with seconds)
};
// Reads "<unit> since <date>[ <time>][ <zone>]" (unit: days, hours, minutes,
// seconds and their usual abbreviations). nullopt with `error` otherwise,
// including time zones other than UTC.
std::optional<TimeUnits> parse_time_units(std::string_view units, std::string& error);
// Whether a calendar attribute names the calendar the grid times live in
// (standard, gregorian, proleptic_gregorian; absent counts as standard).
bool standard_calendar(std::string_view calendar);
// A coordinate value in whole minutes since 1970; nullopt when it is not
// within half a second of a whole minute or is out of range.
std::optional<std::int64_t> value_minutes(const TimeUnits& u, double value);

// The two-digit year widening the grid library uses: 0-20 are 2000-2020,
// 21-99 are 1921-1999. first_year moves the 100-year window: a two-digit year
// yy becomes the year in first_year .. first_year + 99 that ends in yy.
int widen_year(int two_digit_year, int first_year);
inline constexpr int kLibraryFirstYear = 1921;

// The reference time and valid time of a grid time text, in minutes since
// 1970, reading its year with the given window. nullopt for a blank or
// unconvertible text.
struct GridTimeMinutes {
  std::int64_t reference = 0;
  std::int64_t valid = 0;
  bool forecast = false;  // the text has a forecast part
  int forecast_minutes = 0;
};
std::optional<GridTimeMinutes> grid_time_minutes(std::string_view text, int first_year);

// The time text of a reference time and forecast period: "yymmdd/hhmm", and
// when forecast is set "F" and the period (hhh, or hhhmm when it has minutes).
// nullopt when the period is negative or beyond 999 hours 59 minutes.
std::optional<std::string> grid_time_text(const CivilTime& reference, bool forecast,
                                          std::int64_t forecast_minutes);

}  // namespace nc
