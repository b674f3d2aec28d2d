// --time-range FROM,TO of grid2nc and nc2grid: the grids valid from FROM to
// TO, both included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "time/year_window.h"

namespace nc {

struct TimeRange {
  std::int64_t from = 0, to = 0;  // valid times, minutes since 1970
  bool contains(std::int64_t valid) const { return valid >= from && valid <= to; }
};

// "FROM,TO", each an ISO 8601 UTC time ("2024-01-01T06:00Z",
// "2024-01-01 06:00") or a grid time text ("240101/0600", "240101/0000F006":
// its valid time), two-digit years read in the window.
// nullopt, with `problem` saying why, for anything else or TO before FROM.
// The value of a --time-range option into `range` (left unset when `text` is
// empty); false, with `complaint` naming the option, when it is not a range.
bool take_time_range_option(std::string_view text, const timewin::YearWindow& window,
                            std::optional<TimeRange>& range, std::string& complaint);

std::optional<TimeRange> parse_time_range(std::string_view text, const timewin::YearWindow& window,
                                          std::string& problem);

}  // namespace nc
