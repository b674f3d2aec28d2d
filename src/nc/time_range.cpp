#include "nc/time_range.h"

#include "nc/cf_time.h"
#include "strings/concat.h"

namespace nc {
namespace {

// The valid time of one end of the range.
std::optional<std::int64_t> valid_time(std::string_view text, const timewin::YearWindow& window) {
  if (text.find('/') != std::string_view::npos) {
    const std::optional<GridTimeMinutes> m = grid_time_minutes(text, window);
    if (!m) return std::nullopt;
    return m->valid;
  }
  // An ISO 8601 time read as the epoch of CF time units.
  std::string iso(text);
  if (iso.size() > 10 && (iso[10] == 'T' || iso[10] == 't')) iso[10] = ' ';
  if (!iso.empty() && (iso.back() == 'Z' || iso.back() == 'z')) iso.pop_back();
  if (iso.size() < 13) return std::nullopt;  // a date and at least an hour
  std::string error;
  const std::optional<TimeUnits> u = parse_time_units("minutes since " + iso, error);
  if (!u || u->epoch_seconds != 0) return std::nullopt;
  return u->epoch_minutes;
}

}  // namespace

std::optional<TimeRange> parse_time_range(std::string_view text, const timewin::YearWindow& window,
                                          std::string& problem) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    problem = "expected FROM,TO";
    return std::nullopt;
  }
  const std::string_view ends[2] = {text.substr(0, comma), text.substr(comma + 1)};
  std::int64_t minutes[2] = {0, 0};
  for (int k = 0; k < 2; ++k) {
    const std::optional<std::int64_t> m = valid_time(ends[k], window);
    if (!m) {
      problem = strings::concat({"\"", ends[k],
                                 "\" is not a time: give a grid time text such as 240101/0600 "
                                 "or an ISO 8601 UTC time such as 2024-01-01T06:00Z"});
      return std::nullopt;
    }
    minutes[k] = *m;
  }
  if (minutes[1] < minutes[0]) {
    problem = "the range ends before it begins";
    return std::nullopt;
  }
  return TimeRange{minutes[0], minutes[1]};
}

bool take_time_range_option(std::string_view text, const timewin::YearWindow& window,
                            std::optional<TimeRange>& range, std::string& complaint) {
  if (text.empty()) return true;
  std::string problem;
  range = parse_time_range(text, window, problem);
  if (!range) complaint = strings::concat({"--time-range ", text, ": ", problem});
  return range.has_value();
}

}  // namespace nc
