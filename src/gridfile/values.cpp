// The value types: missing values, vertical coordinate names, grid times taken
// apart and as ISO 8601, identifiers as text.
#include "gridfile/gridfile.h"

#include <array>
#include <cctype>

#include "gridfile/internal.h"
#include "pack/missing.h"
#include "strings/concat.h"
#include "strings/field.h"
#include "time/civil_time.h"
#include "time/grid_time_reading.h"

namespace gridfile {
namespace {

constexpr std::array<std::string_view, 5> kVcoordNames = {"NONE", "PRES", "THTA", "HGHT", "SGMA"};

}  // namespace

bool is_missing(float value) {
  return pack::is_missing(value);
}

std::string vcoord_name(int vcode) {
  if (vcode >= 0 && static_cast<std::size_t>(vcode) < kVcoordNames.size()) {
    return std::string(kVcoordNames[static_cast<std::size_t>(vcode)]);
  }
  return std::to_string(vcode);
}

std::optional<int> vcoord_code(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (std::size_t k = 0; k < kVcoordNames.size(); ++k) {
    if (upper == kVcoordNames[k]) return static_cast<int>(k);
  }
  return std::nullopt;
}

std::optional<GridTime> parse_time(std::string_view text, const YearWindow& window) {
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, window);
  if (!t) return std::nullopt;
  return GridTime{t->reference.year,   t->reference.month, t->reference.day,   t->reference.hour,
                  t->reference.minute, t->forecast_type,   t->forecast_minutes};
}

std::string iso8601(std::string_view text, const YearWindow& window) {
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, window);
  return t ? timecal::iso8601(timecal::from_minutes(t->reference_minutes())) : std::string();
}

std::string valid_iso8601(std::string_view text, const YearWindow& window) {
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, window);
  return t ? timecal::iso8601(timecal::from_minutes(t->valid_minutes())) : std::string();
}

GridId GridId::analysis(std::chrono::sys_seconds time, std::string param, int level, int vcoord) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day ymd(day);
  const std::chrono::hh_mm_ss hms(std::chrono::floor<std::chrono::minutes>(time - day));
  const auto two = [](long v) {
    const long d = ((v % 100) + 100) % 100;
    return std::string(1, static_cast<char>('0' + d / 10)) + static_cast<char>('0' + d % 10);
  };
  GridId id;
  id.time1 = two(static_cast<int>(ymd.year())) + two(static_cast<unsigned>(ymd.month())) +
             two(static_cast<unsigned>(ymd.day())) + "/" + two(hms.hours().count()) +
             two(hms.minutes().count());
  id.level1 = level;
  id.vcoord = vcoord;
  id.param = std::move(param);
  return id;
}

std::string GridId::text() const {
  const std::string times = time2.empty() ? time1 : strings::concat({time1, ":", time2});
  const std::string levels =
      level2 == -1 ? std::to_string(level1)
                   : strings::concat({std::to_string(level1), ":", std::to_string(level2)});
  return strings::concat(
      {times.empty() ? "-" : times, " ", levels, " ", vcoord_name(vcoord), " ", param});
}

}  // namespace gridfile
