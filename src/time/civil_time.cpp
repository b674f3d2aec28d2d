// Days from and to civil dates with the era arithmetic of the proleptic
// Gregorian calendar (400-year eras of 146097 days), in 64-bit integers so
// that no count in range can overflow.
#include "time/civil_time.h"

#include <charconv>

#include "time/calendar.h"

namespace timecal {
namespace {

constexpr std::int64_t kMinutesPerDay = 1440;
constexpr std::int64_t kDaysPerEra = 146097;
constexpr std::int64_t kLimitMinutes = std::int64_t{1} << 40;

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

// Days since 1970-01-01 of a valid date.
std::int64_t days_from_civil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = floor_div(y, 400);
  const std::int64_t yoe = y - era * 400;                                    // 0..399
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // 0..365
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // 0..146096
  return era * kDaysPerEra + doe - 719468;
}

CivilTime civil_from_days(std::int64_t z) {
  z += 719468;
  const std::int64_t era = floor_div(z, kDaysPerEra);
  const std::int64_t doe = z - era * kDaysPerEra;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  return t;
}

// value as at least `width` digits, zero-padded, with its sign.
std::string digits(int value, int width) {
  char buf[16];
  const auto res = std::to_chars(buf, buf + sizeof buf,
                                 value < 0 ? -static_cast<long>(value) : static_cast<long>(value));
  std::string s(buf, res.ptr);
  if (static_cast<int>(s.size()) < width)
    s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return value < 0 ? "-" + s : s;
}

std::string date_text(const CivilTime& t) {
  return digits(t.year, 4) + "-" + digits(t.month, 2) + "-" + digits(t.day, 2);
}

}  // namespace

bool valid_date(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= days_in_month(year, month);
}

std::int64_t to_minutes(const CivilTime& t) {
  return days_from_civil(t.year, t.month, t.day) * kMinutesPerDay + std::int64_t{t.hour} * 60 +
         t.minute;
}

CivilTime from_minutes(std::int64_t minutes) {
  if (minutes > kLimitMinutes) minutes = kLimitMinutes;
  if (minutes < -kLimitMinutes) minutes = -kLimitMinutes;
  const std::int64_t days = floor_div(minutes, kMinutesPerDay);
  const std::int64_t rest = minutes - days * kMinutesPerDay;
  CivilTime t = civil_from_days(days);
  t.hour = static_cast<int>(rest / 60);
  t.minute = static_cast<int>(rest % 60);
  return t;
}

std::string iso8601(const CivilTime& t) {
  return date_text(t) + "T" + digits(t.hour, 2) + ":" + digits(t.minute, 2) + "Z";
}

std::string cf_text(const CivilTime& t) {
  return date_text(t) + " " + digits(t.hour, 2) + ":" + digits(t.minute, 2) + ":00";
}

}  // namespace timecal
