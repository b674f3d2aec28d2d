// A time a user types to choose grids (--time): a grid time text
// (yymmdd/hhmm[Fhhh], or yyyymmdd/hhmm[Fhhh] with a year inside the window)
// or an ISO 8601 time ("2026-12-15T12:00Z", "2026-12-15T12Z",
// "2026-12-15 12:00", UTC). A grid time text picks the grids filed under that
// time; an ISO 8601 time picks the grids valid then (reference time plus
// forecast period), whatever their reference time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "time/year_window.h"

namespace timewin {

class TimeQuery {
 public:
  // nullopt, with `problem` saying why, for a text that is not a time, a
  // four-digit year outside the window, or a time with seconds or a zone
  // other than UTC.
  static std::optional<TimeQuery> parse(std::string_view text, const YearWindow& window,
                                        std::string& problem);

  // Whether a grid's time text (as its identifier holds it) is this time.
  bool matches(std::string_view grid_time) const;
  // The text as typed.
  const std::string& text() const { return text_; }
  // The valid time an ISO 8601 query asks for, in minutes since 1970.
  std::optional<std::int64_t> valid_minutes() const { return valid_; }
  const YearWindow& window() const { return window_; }

 private:
  TimeQuery() = default;
  std::string text_;
  YearWindow window_;
  std::optional<std::array<int, 3>> filed_;  // a grid time text: tg_ctoi's three integers
  std::optional<std::int64_t> valid_;        // an ISO 8601 time
};

}  // namespace timewin
