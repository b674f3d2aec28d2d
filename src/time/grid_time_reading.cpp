// Grid time texts read through the library's own routines (tg_ctoi for the
// text, ti_ctoi for the date checks), with the year widened by the window.
#include "time/grid_time_reading.h"

#include <array>

#include "strings/concat.h"
#include "strings/field.h"
#include "time/tg.h"
#include "time/ti.h"

namespace timewin {
namespace {

constexpr std::size_t kTimeChars = 20;
constexpr std::int64_t kMaxForecastMinutes = 999 * 60 + 59;
// Forecast type letters by their code in the forecast word.
constexpr std::string_view kForecastLetters = "AFGI";

// value (not negative) as at least `width` digits.
std::string digits(std::int64_t value, std::size_t width) {
  std::string s = std::to_string(value);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

}  // namespace

std::int64_t GridTimeReading::reference_minutes() const {
  return timecal::to_minutes(reference);
}

std::int64_t GridTimeReading::valid_minutes() const {
  return reference_minutes() + forecast_minutes;
}

std::optional<GridTimeReading> read_grid_time(std::string_view text, const YearWindow& window) {
  if (text.size() > kTimeChars) return std::nullopt;
  std::array<char, kTimeChars> field{};
  strings::copy_field(text, field);
  const std::string_view timtxt = strings::as_view(field);
  if (strings::trim_right(timtxt).empty()) return std::nullopt;
  std::array<int, 3> intdtf{};
  int iret = 0;
  tg_ctoi(timtxt, intdtf, iret);
  if (iret != 0) return std::nullopt;
  // The date and time as the library files them (a valid time turned into
  // its initial time), checked by the date reader.
  std::array<char, kTimeChars> canonical{};
  tg_itoc(std::array{intdtf[0], intdtf[1], 0}, canonical, iret);
  if (iret != 0) return std::nullopt;
  std::array<int, 5> idtarr{};
  ti_ctoi(strings::as_view(canonical), idtarr, iret);
  if (iret != 0) return std::nullopt;
  GridTimeReading t;
  t.reference = {window.widen(idtarr[0] % 100), idtarr[1], idtarr[2], idtarr[3], idtarr[4]};
  if (!timecal::valid_date(t.reference.year, t.reference.month, t.reference.day)) {
    return std::nullopt;
  }
  const int iftime = intdtf[2];
  if (iftime != 0) {
    const int itype = iftime / 100000;
    const int period = iftime % 100000;  // hhhmm
    if (itype < 0 || static_cast<std::size_t>(itype) >= kForecastLetters.size()) {
      return std::nullopt;
    }
    t.forecast_type = kForecastLetters[static_cast<std::size_t>(itype)];
    t.forecast_minutes = period / 100 * 60 + period % 100;
  }
  return t;
}

std::optional<GridTimeMinutes> grid_time_minutes(std::string_view text, const YearWindow& window) {
  const std::optional<GridTimeReading> t = read_grid_time(text, window);
  if (!t) return std::nullopt;
  GridTimeMinutes m;
  m.reference = t->reference_minutes();
  m.valid = t->valid_minutes();
  m.forecast = t->forecast_type != ' ';
  m.forecast_minutes = t->forecast_minutes;
  return m;
}

std::optional<std::string> grid_time_text(const timecal::CivilTime& reference, bool forecast,
                                          std::int64_t forecast_minutes) {
  if (forecast_minutes < 0 || forecast_minutes > kMaxForecastMinutes) return std::nullopt;
  if (!forecast && forecast_minutes != 0) return std::nullopt;
  std::string text = digits(((reference.year % 100) + 100) % 100, 2) + digits(reference.month, 2) +
                     digits(reference.day, 2) + "/" + digits(reference.hour, 2) +
                     digits(reference.minute, 2);
  if (forecast) {
    text += strings::concat({"F", digits(forecast_minutes / 60, 3)});
    if (forecast_minutes % 60 != 0) text += digits(forecast_minutes % 60, 2);
  }
  return text;
}

}  // namespace timewin
