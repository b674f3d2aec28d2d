// The time options the programs share: --first-year Y (the window that widens
// two-digit years, Y..Y+99; T2G_FIRST_YEAR when not given; 1950 when
// neither) and the reading of --time texts with that window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "time/time_query.h"
#include "time/year_window.h"

namespace cli {

// Adds --first-year Y to app, its text read into `text`.
CLI::Option* add_first_year(CLI::App& app, std::optional<std::string>& text);

// The window in force once the command line is parsed; a misuse naming
// --first-year or T2G_FIRST_YEAR for a value that is not a four-digit year.
Parsed year_window(const std::optional<std::string>& text, timewin::YearWindow& window);

// A --time text as a time selection read with the window; a misuse saying
// why it is not a time.
Parsed time_query(std::string_view text, const timewin::YearWindow& window,
                  std::optional<timewin::TimeQuery>& query);

// Every text of a repeatable --time, in order; the first misuse stops.
Parsed time_queries(const std::vector<std::string>& texts, const timewin::YearWindow& window,
                    std::vector<timewin::TimeQuery>& queries);

// The help line of a --time option.
inline constexpr std::string_view kTimeHelp =
    "yymmdd/hhmm[Fhhh], yyyymmdd/hhmm[Fhhh] (the grids filed under that time) or ISO 8601 "
    "such as 2026-12-15T18:00Z (the grids valid then: reference time plus forecast period)";

}  // namespace cli
