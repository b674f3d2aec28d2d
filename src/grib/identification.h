// A grid identifier and the GRIB2 keys that say the same: reference time,
// forecast period, kind of product and levels. Pure translation, no ecCodes,
// so that each rule is tested on its own. Two-digit years are read in the
// window the caller gives.
#pragma once

#include <string>

#include "grib/parameter_table.h"
#include "gridfile/gridfile.h"
#include "time/year_window.h"

namespace grib {

inline constexpr int kMissingSurface = 255;

// One fixed surface: GRIB value = scaled_value / 10^scale_factor.
struct Surface {
  int type = kMissingSurface;
  long scaled_value = 0;
  int scale_factor = 0;
  friend bool operator==(const Surface&, const Surface&) = default;
};

// Code table 4.3 values this program writes and reads.
inline constexpr int kProcessAnalysis = 0, kProcessInitialization = 1, kProcessForecast = 2,
                     kProcessFirstGuess = 192;  // local use: a first guess
// Code table 4.4 units of the forecast time.
inline constexpr int kUnitMinute = 0, kUnitHour = 1;

struct MessageId {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  int processed_data = 0;      // typeOfProcessedData: 0 analysis, 1 forecast
  int generating_process = 0;  // typeOfGeneratingProcess
  int time_unit = kUnitHour;   // indicatorOfUnitOfTimeRange
  long forecast_time = 0;      // in time_unit
  Surface first, second;
  friend bool operator==(const MessageId&, const MessageId&) = default;
};

// The keys of a grid's identifier (its parameter aside). A grid without a
// vertical coordinate lies on surface type none_surface. Refused: no time,
// a second time, a year outside the window, a level that has no GRIB2 form.
gridfile::Result<MessageId> message_id(const gridfile::GridId& id, int none_surface,
                                       const timewin::YearWindow& window);

// The identifier of a message's keys (param left empty). Refused: a year
// outside the window, a forecast period beyond 999 hours 59 minutes or in a
// unit of its own, a surface without a vertical coordinate of the grid file,
// a level that is not whole in the grid file's unit.
gridfile::Result<gridfile::GridId> grid_id(const MessageId& m, const timewin::YearWindow& window);

}  // namespace grib
