// Reading a typed time: ISO 8601 by hand (a handful of fixed forms), grid
// time texts through tg_ctoi so that they compare as the library files them.
#include "time/time_query.h"

#include <cctype>

#include "strings/concat.h"
#include "strings/field.h"
#include "time/civil_time.h"
#include "time/grid_time_reading.h"
#include "time/tg.h"

namespace timewin {
namespace {

constexpr std::size_t kTimeChars = 20;
constexpr std::string_view kForms =
    "give yymmdd/hhmm, yyyymmdd/hhmm (either optionally with a forecast part such as F006) or "
    "an ISO 8601 UTC time such as 2026-12-15T12:00Z, 2026-12-15T12Z or \"2026-12-15 12:00\"";

// Exactly `n` digits at the front of s, taken off.
bool take_digits(std::string_view& s, std::size_t n, int& value) {
  if (s.size() < n) return false;
  value = 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (std::isdigit(static_cast<unsigned char>(s[k])) == 0) return false;
    value = value * 10 + (s[k] - '0');
  }
  s.remove_prefix(n);
  return true;
}

bool take(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

bool utc_zone(std::string_view zone) {
  return zone.empty() || zone == "Z" || zone == "z" || zone == "+00:00" || zone == "+00" ||
         zone == "+0000" || zone == "UTC";
}

// YYYY-MM-DD(T| )HH[:MM[:SS]][zone]; nullopt when the text does not start
// like an ISO date. A text that does but is no valid UTC time whole to the
// minute gets `problem`.
std::optional<std::int64_t> read_iso(std::string_view s, std::string& problem) {
  timecal::CivilTime t;
  if (!take_digits(s, 4, t.year) || !take(s, '-')) return std::nullopt;
  if (!take_digits(s, 2, t.month) || !take(s, '-') || !take_digits(s, 2, t.day) ||
      !(take(s, 'T') || take(s, 't') || take(s, ' ')) || !take_digits(s, 2, t.hour)) {
    problem = "an ISO 8601 time needs a date and an hour (YYYY-MM-DDTHH[:MM]Z)";
    return std::nullopt;
  }
  int second = 0;
  if (take(s, ':')) {
    if (!take_digits(s, 2, t.minute) || (take(s, ':') && !take_digits(s, 2, second))) {
      problem = "the minutes and seconds take two digits each";
      return std::nullopt;
    }
  }
  if (!utc_zone(s)) {
    problem =
        strings::concat({"\"", s, "\" is not UTC (grid times are UTC: end with Z or nothing)"});
    return std::nullopt;
  }
  if (!timecal::valid_date(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59) {
    problem = "there is no such date and time";
    return std::nullopt;
  }
  if (second != 0) {
    problem = "grid times are whole minutes";
    return std::nullopt;
  }
  return timecal::to_minutes(t);
}

}  // namespace

std::optional<TimeQuery> TimeQuery::parse(std::string_view text, const YearWindow& window,
                                          std::string& problem) {
  TimeQuery q;
  q.text_ = std::string(text);
  q.window_ = window;
  const std::string quoted = strings::concat({"\"", text, "\""});
  std::string why;
  if (const std::optional<std::int64_t> valid = read_iso(text, why)) {
    q.valid_ = valid;
    return q;
  }
  if (!why.empty()) {
    problem = quoted + " is not a time: " + why;
    return std::nullopt;
  }
  const std::optional<std::string> stored = two_digit_year_text(text, window, why);
  if (!stored) {
    problem = quoted + ": " + why;
    return std::nullopt;
  }
  std::array<int, 3> intdtf{};
  int iret = -1;
  if (stored->find('/') != std::string::npos && stored->size() <= kTimeChars &&
      read_grid_time(*stored, window)) {
    std::array<char, kTimeChars> field{};
    strings::copy_field(*stored, field);
    tg_ctoi(strings::as_view(field), intdtf, iret);
  }
  if (iret != 0) {
    problem = quoted + " is not a time: " + std::string(kForms);
    return std::nullopt;
  }
  q.filed_ = intdtf;
  return q;
}

bool TimeQuery::matches(std::string_view grid_time) const {
  if (valid_) {
    const std::optional<GridTimeReading> t = read_grid_time(grid_time, window_);
    return t && t->valid_minutes() == *valid_;
  }
  if (!filed_ || grid_time.size() > kTimeChars || strings::trim_right(grid_time).empty()) {
    return false;
  }
  std::array<char, kTimeChars> field{};
  strings::copy_field(grid_time, field);
  std::array<int, 3> intdtf{};
  int iret = 0;
  tg_ctoi(strings::as_view(field), intdtf, iret);
  return iret == 0 && intdtf == *filed_;
}

}  // namespace timewin
