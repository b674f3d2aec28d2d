// The time and vertical axes of netCDF variables in the grid file's terms:
// time texts ("240101/0000", or a reference time with "F012") and integer
// levels with a vertical coordinate code (pressure in hPa).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/level_meaning.h"
#include "nc/ncfile.h"
#include "time/year_window.h"

namespace nc {

bool is_time_coordinate(const NcFile& f, int varid);
bool is_vertical_coordinate(const NcFile& f, int varid);
// A time coordinate, or a variable that looks meant as one (named time, or
// units "hours ..." without " since DATE"): refused rather than ignored
// when its units do not convert.
bool looks_like_time(const NcFile& f, int varid);

struct TimeAxis {
  std::vector<std::string> time1, time2;  // one per step of the time dimension
  std::vector<std::int64_t> valid;        // valid times, minutes since 1970
  std::vector<std::string> warnings;
};
// The time texts of a time coordinate variable (of dimension time_dim):
// valid times, or reference times and forecast periods when the file has a
// forecast_reference_time. Refuses unknown units and calendars, times that are
// not whole minutes, and forecast periods that are negative, too long for a
// time text or contradict forecast_period. Warns of reference times outside
// the window that will read the texts' two-digit years.
gridfile::Result<TimeAxis> read_time_axis(const NcFile& f, int time_var,
                                          const timewin::YearWindow& window);

struct LevelAxis1 {
  gridfile::Vcoord vcoord = gridfile::Vcoord::kNone;
  std::vector<int> level1, level2;  // level2 kNoLevel2 when not set
  std::vector<std::string> warnings;
};
// The levels of a vertical coordinate variable (1-D or scalar). Pressure
// becomes hPa. The vertical coordinate grid2nc kept (t2g_vcoord) holds only
// while the axis keeps the units grid2nc gave it; else, with a warning, the
// CF metadata decides. Refuses levels that are not whole numbers in the grid file's
// units (it stores integers) or are out of range.
gridfile::Result<LevelAxis1> read_level_axis(const NcFile& f, int level_var);

}  // namespace nc
