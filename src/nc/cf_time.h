// CF time units ("hours since 2024-01-01 00:00:00", standard calendar) in
// whole minutes since 1970, the count the time layer turns into grid time
// texts ("240101/0000", "240101/0000F012") and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gridfile/calendar.h"

namespace nc {

// The calendar and the grid time texts are the time layer's.
using gridfile::CivilTime;
using gridfile::from_minutes;
using gridfile::grid_time_minutes;
using gridfile::grid_time_text;
using gridfile::GridTimeMinutes;
using gridfile::to_minutes;

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

}  // namespace nc
