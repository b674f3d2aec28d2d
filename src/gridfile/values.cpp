// The value types: missing values, vertical coordinate names, grid times taken
// apart and as ISO 8601, identifiers as text.
#include "gridfile/gridfile.h"

#include <array>
#include <cctype>
#include <chrono>

#include "gridfile/internal.h"
#include "pack/missing.h"
#include "strings/concat.h"
#include "strings/field.h"
#include "time/tg.h"
#include "time/ti.h"

namespace gridfile {
namespace {

constexpr std::array<std::string_view, 5> kVcoordNames = {"NONE", "PRES", "THTA", "HGHT", "SGMA"};
// Forecast type letters by their code in the forecast word.
constexpr std::string_view kForecastLetters = "AFGI";

// 0..99 as two digits.
std::string two_digits(int n) {
  return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

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

std::optional<GridTime> parse_time(std::string_view text) {
  if (text.size() > detail::kTimeChars) return std::nullopt;
  std::array<char, detail::kTimeChars> field{};
  strings::copy_field(text, field);
  const std::string_view timtxt = strings::as_view(field);
  if (strings::trim_right(timtxt).empty()) return std::nullopt;
  std::array<int, 3> intdtf{};
  int iret = 0;
  tg_ctoi(timtxt, intdtf, iret);
  if (iret != 0) return std::nullopt;
  // The date and time as the library files them (a valid time turned into its
  // initial time), widened to a full year by the date reader.
  std::array<char, detail::kTimeChars> canonical{};
  tg_itoc(std::array{intdtf[0], intdtf[1], 0}, canonical, iret);
  if (iret != 0) return std::nullopt;
  std::array<int, 5> idtarr{};
  ti_ctoi(strings::as_view(canonical), idtarr, iret);
  if (iret != 0) return std::nullopt;
  GridTime t;
  t.year = idtarr[0];
  t.month = idtarr[1];
  t.day = idtarr[2];
  t.hour = idtarr[3];
  t.minute = idtarr[4];
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

std::string iso8601(std::string_view text) {
  const std::optional<GridTime> t = parse_time(text);
  if (!t) return {};
  // Hour 24 and minute 60 are accepted in time texts; carry them over.
  using namespace std::chrono;
  const sys_days day{year{t->year} / t->month / t->day};
  const auto when = day + hours{t->hour} + minutes{t->minute};
  const sys_days date = floor<days>(when);
  const year_month_day ymd{date};
  const hh_mm_ss hms{when - date};
  return std::to_string(static_cast<int>(ymd.year())) + "-" +
         two_digits(static_cast<int>(static_cast<unsigned>(ymd.month()))) + "-" +
         two_digits(static_cast<int>(static_cast<unsigned>(ymd.day()))) + "T" +
         two_digits(static_cast<int>(hms.hours().count())) + ":" +
         two_digits(static_cast<int>(hms.minutes().count())) + "Z";
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
