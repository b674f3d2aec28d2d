// The value types: missing values, vertical coordinate names, grid times taken
// apart and as ISO 8601, identifiers as text.
#include "gridfile/gridfile.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "gridfile/internal.h"
#include "pack/missing.h"
#include "strings/concat.h"
#include "strings/field.h"
#include "time/civil_time.h"
#include "time/grid_time_reading.h"

namespace gridfile {
namespace {

constexpr std::array<std::string_view, 5> kVcoordNames = {"NONE", "PRES", "THTA", "HGHT", "SGMA"};

// The identifier at `time` (seconds dropped), with a forecast part when
// `forecast`; kBadArgument for a period the time text cannot hold.
Result<GridId> identifier_at(std::chrono::sys_seconds time, bool forecast,
                             std::int64_t period_minutes, std::string param, int level,
                             Vcoord vcoord) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day ymd(day);
  const std::chrono::hh_mm_ss hms(std::chrono::floor<std::chrono::minutes>(time - day));
  const timecal::CivilTime civil{
      static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
      static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(hms.hours().count()),
      static_cast<int>(hms.minutes().count())};
  std::optional<std::string> text = timewin::grid_time_text(civil, forecast, period_minutes);
  if (!text) {
    return Error(Source::kArgument, kBadArgument,
                 "forecast period of " + std::to_string(period_minutes) +
                     " minutes (0 to 999 hours 59 minutes)",
                 Condition::kBadArgument);
  }
  return GridId{
      .time1 = std::move(*text), .param = std::move(param), .level1 = level, .vcoord = vcoord};
}

}  // namespace

bool is_missing(float value) {
  return pack::is_missing(value);
}

void replace_missing(std::span<float> values, float replacement) {
  // A select rather than a branch, so the loop vectorises.
  for (float& v : values) v = pack::is_missing(v) ? replacement : v;
}

std::string vcoord_name(Vcoord v) {
  const int code = vcoord_code(v);
  if (code >= 0 && static_cast<std::size_t>(code) < kVcoordNames.size()) {
    return std::string(kVcoordNames[static_cast<std::size_t>(code)]);
  }
  return std::to_string(code);
}

std::optional<Vcoord> vcoord_from_name(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (std::size_t k = 0; k < kVcoordNames.size(); ++k) {
    if (upper == kVcoordNames[k]) return static_cast<Vcoord>(k);
  }
  return std::nullopt;
}

std::optional<Vcoord> parse_vcoord(std::string_view text) {
  if (auto named = vcoord_from_name(text)) return named;
  int code = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return static_cast<Vcoord>(code);
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

GridId GridId::analysis(std::chrono::sys_seconds time, std::string param, int level,
                        Vcoord vcoord) {
  // An analysis has no period, which grid_time_text never refuses.
  return identifier_at(time, false, 0, std::move(param), level, vcoord).value();
}

Result<GridId> GridId::forecast(std::chrono::sys_seconds reference, std::chrono::minutes period,
                                std::string param, int level, Vcoord vcoord) {
  return identifier_at(reference, true, period.count(), std::move(param), level, vcoord);
}

std::string GridId::text() const {
  const std::string times = time2.empty() ? time1 : strings::concat({time1, ":", time2});
  const std::string levels =
      !level2 ? std::to_string(level1)
              : strings::concat({std::to_string(level1), ":", std::to_string(*level2)});
  return strings::concat(
      {times.empty() ? "-" : times, " ", levels, " ", vcoord_name(vcoord), " ", param});
}

}  // namespace gridfile
