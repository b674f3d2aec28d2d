// Choosing grids by their identifier: parameter, time, level and vertical
// coordinate. The programs that take such criteria on their command lines
// share these rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gridfile/gridfile.h"
#include "time/time_query.h"

namespace gridfile {

// A time to choose grids by, as a user types it: a grid time text
// ("261215/1200F006", or "20261215/1200F006" with a year inside the window)
// picks the grids filed under that time; an ISO 8601 UTC time
// ("2026-12-15T18:00Z", "2026-12-15T18Z", "2026-12-15 18:00") picks the grids
// valid then (reference time plus forecast period), their years read with the
// window given.
using TimeSelection = timewin::TimeQuery;
// kBadArgument, saying why, for a text that is not such a time.
Result<TimeSelection> parse_time_selection(std::string_view text, const YearWindow& window = {});

// Criteria on a grid identifier; an unset criterion fits every grid.
struct GridFilter {
  std::optional<std::string> param;   // compared without regard to case
  std::optional<TimeSelection> time;  // matches time 1 or time 2
  std::optional<int> level;           // matches level 1 or level 2
  std::optional<Vcoord> vcoord;

  bool empty() const { return !param && !time && !level && !vcoord; }
  bool matches(const GridId& id) const;
};

}  // namespace gridfile
