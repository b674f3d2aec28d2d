// CF time units, read onto the time layer's calendar.
#include "nc/cf_time.h"

#include <array>
#include <cmath>

namespace nc {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0')) {
    s.remove_suffix(1);
  }
  return s;
}

bool lower_equals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const char c = (a[k] >= 'A' && a[k] <= 'Z') ? static_cast<char>(a[k] - 'A' + 'a') : a[k];
    if (c != b[k]) return false;
  }
  return true;
}

// Reads an unsigned decimal integer at the front of s; false when none.
bool take_int(std::string_view& s, int& value, int max_digits = 9) {
  int n = 0;
  long long v = 0;
  while (n < static_cast<int>(s.size()) && n < max_digits &&
         s[static_cast<std::size_t>(n)] >= '0' && s[static_cast<std::size_t>(n)] <= '9') {
    v = v * 10 + (s[static_cast<std::size_t>(n)] - '0');
    ++n;
  }
  if (n == 0) return false;
  value = static_cast<int>(v);
  s.remove_prefix(static_cast<std::size_t>(n));
  return true;
}

bool take_char(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<TimeUnits> parse_time_units(std::string_view units, std::string& error) {
  const std::string_view all = trim(units);
  const std::size_t since = all.find(" since ");
  error = "unknown time units \"" + std::string(all) + "\"";
  if (since == std::string_view::npos) return std::nullopt;
  const std::string_view unit = trim(all.substr(0, since));
  std::string_view rest = trim(all.substr(since + 7));

  TimeUnits u;
  static constexpr std::array<std::pair<std::string_view, double>, 16> kUnits{{
      {"days", 86400},
      {"day", 86400},
      {"d", 86400},
      {"hours", 3600},
      {"hour", 3600},
      {"hrs", 3600},
      {"hr", 3600},
      {"h", 3600},
      {"minutes", 60},
      {"minute", 60},
      {"mins", 60},
      {"min", 60},
      {"seconds", 1},
      {"second", 1},
      {"secs", 1},
      {"s", 1},
  }};
  bool known = false;
  for (const auto& [name, seconds] : kUnits) {
    if (lower_equals(unit, name)) {
      u.unit_seconds = seconds;
      known = true;
    }
  }
  if (!known) return std::nullopt;

  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0;
  if (!take_int(rest, year, 4) || !take_char(rest, '-') || !take_int(rest, month, 2) ||
      !take_char(rest, '-') || !take_int(rest, day, 2) || !gridfile::valid_date(year, month, day)) {
    return std::nullopt;
  }
  if (!rest.empty() && (rest.front() == 'T' || rest.front() == ' ')) {
    rest.remove_prefix(1);
    rest = trim(rest);
    if (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') {
      if (!take_int(rest, hour, 2) || !take_char(rest, ':') || !take_int(rest, minute, 2)) {
        return std::nullopt;
      }
      if (take_char(rest, ':')) {
        int whole = 0;
        if (!take_int(rest, whole, 2)) return std::nullopt;
        second = whole;
        if (take_char(rest, '.')) {
          double scale = 0.1;
          while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') {
            second += scale * (rest.front() - '0');
            scale /= 10;
            rest.remove_prefix(1);
          }
        }
      }
      if (hour > 23 || minute > 59 || second >= 60) return std::nullopt;
    }
  }
  rest = trim(rest);
  if (!rest.empty()) {
    const bool utc = rest == "Z" || lower_equals(rest, "utc") || lower_equals(rest, "gmt") ||
                     rest == "+00:00" || rest == "+0000" || rest == "+00" || rest == "+0:00" ||
                     rest == "00:00" || rest == "-00:00" || rest == "0";
    if (!utc) {
      error = "time units \"" + std::string(all) + "\": only UTC reference times are read";
      return std::nullopt;
    }
  }
  u.epoch_minutes = to_minutes(CivilTime{year, month, day, hour, minute});
  u.epoch_seconds = second;
  error.clear();
  return u;
}

bool standard_calendar(std::string_view calendar) {
  calendar = trim(calendar);
  return calendar.empty() || lower_equals(calendar, "standard") ||
         lower_equals(calendar, "gregorian") || lower_equals(calendar, "proleptic_gregorian");
}

std::optional<std::int64_t> value_minutes(const TimeUnits& u, double value) {
  const double seconds = value * u.unit_seconds + u.epoch_seconds;
  if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15) return std::nullopt;
  const double minutes = std::round(seconds / 60.0);
  if (std::fabs(seconds - minutes * 60.0) > 0.5) return std::nullopt;
  return u.epoch_minutes + static_cast<std::int64_t>(minutes);
}

}  // namespace nc
