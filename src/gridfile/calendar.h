// The calendar of grid times, for the programs on this interface: civil times
// and minutes since 1970, grid time texts read into valid and reference
// minutes and written back from them, and the date texts of CF and ISO 8601.
// Two-digit years are read in the window the caller gives.
#pragma once

#include "time/civil_time.h"
#include "time/grid_time_reading.h"

namespace gridfile {

using timecal::cf_text;
using timecal::CivilTime;
using timecal::from_minutes;
using timecal::iso8601;
using timecal::to_minutes;
using timecal::valid_date;
using timewin::grid_time_minutes;
using timewin::grid_time_text;
using timewin::GridTimeMinutes;

}  // namespace gridfile
