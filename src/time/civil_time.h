// Civil times on the proleptic Gregorian calendar, counted in whole minutes
// since 1970-01-01 00:00 UTC, and their texts. Grid times, netCDF time
// coordinates and the times users type all meet here.
#pragma once

#include <cstdint>
#include <string>

namespace timecal {

struct CivilTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0;
  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Whether the day exists (month 1-12, day within the month).
bool valid_date(int year, int month, int day);

// Minutes since 1970-01-01 00:00 for a valid date; the hour and minute are
// added as held, so hour 24 and minute 60 (which time texts allow) carry
// into the next day or hour.
std::int64_t to_minutes(const CivilTime& t);
// The inverse, for any count of minutes within +-2^40 (about two million years).
CivilTime from_minutes(std::int64_t minutes);

// "2026-12-15T12:00Z".
std::string iso8601(const CivilTime& t);
// "2026-12-15 12:00:00", the form of CF time units.
std::string cf_text(const CivilTime& t);

}  // namespace timecal
