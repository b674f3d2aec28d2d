// Grid time texts to their three integers (date yymmdd, time hhmm, forecast
// word), with the forecast part and the valid-time to initial-time turn.
#include "time/tg.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "strings/field.h"
#include "strings/st.h"
#include "time/ti.h"
#include "time/ti_codes.h"

namespace {

using namespace timecodes;

constexpr std::size_t kTimeTextWidth = 20;
constexpr std::size_t kDateTimeWidth = 11;
constexpr int kForecastTypeScale = 100000;
using TimeText = std::array<char, kTimeTextWidth>;

// The last text tg_ctoi converted successfully and its result.
struct ConversionMemory {
  bool filled = false;
  TimeText gtime{};
  std::array<int, 3> jntdtf{};
};
constinit ConversionMemory memory;

// Forecast type letter to its code; -1 for a letter that is not a type.
int forecast_type_code(char ftype) {
  switch (ftype) {
    case 'A':
      return 0;
    case 'F':
      return 1;
    case 'G':
      return 2;
    case 'I':
      return 3;
    default:
      return -1;
  }
}

}  // namespace

void tg_ctoi(std::string_view timtxt, std::span<int> intdtf, int& iret) {
  iret = 0;
  TimeText time;
  strings::copy_field(timtxt, time);
  std::string_view text(time.data(), time.size());
  if (memory.filled && text == std::string_view(memory.gtime.data(), memory.gtime.size())) {
    for (std::size_t i = 0; i < 3; ++i) intdtf[i] = memory.jntdtf[i];
    return;
  }
  bool valid_time = false;
  std::array<int, 3> result{0, 0, 0};
  for (std::size_t i = 0; i < 3; ++i) intdtf[i] = 0;
  if (text.find_first_not_of(' ') == std::string_view::npos) return;  // no time
  std::array<char, 1> ftype;
  int ier = 0;
  st_lcuc(text.substr(11, 1), ftype, ier);
  if (ftype[0] == 'V') {
    ftype[0] = 'F';
    valid_time = true;
  }
  tg_iftm(std::string_view(ftype.data(), 1), text.substr(12), result[2], iret);
  if (iret != 0) return;
  intdtf[2] = result[2];
  std::array<char, kTimeTextWidth> tame;
  strings::copy_field(text.substr(0, kDateTimeWidth), tame);
  ti_idtm(std::string_view(tame.data(), tame.size()), result[0], result[1], ier);
  intdtf[0] = result[0];
  intdtf[1] = result[1];
  if (ier != 0) {
    iret = kTgBadDateTime;
    return;
  }
  if (valid_time) {
    tg_vtof(result, result, ier);
    for (std::size_t i = 0; i < 3; ++i) intdtf[i] = result[i];
  }
  memory.filled = true;
  memory.gtime = time;
  memory.jntdtf = result;
}

void tg_iftm(std::string_view ftype, std::string_view ftime, int& iftime, int& iret) {
  iftime = 0;
  iret = 0;
  int lenf = 0;
  st_lstr(ftime, lenf, iret);
  if (lenf == 0) return;  // no forecast part: the type letter is not looked at
  if (lenf > 5) {
    iret = kTgBadType;
    return;
  }
  int value = 0;
  int ier = 0;
  st_intg(ftime.substr(0, static_cast<std::size_t>(lenf)), value, ier);
  // A signed period would borrow from the type code of the forecast word.
  if (ier != 0 || value < 0) {
    iret = kTgBadPeriod;
    return;
  }
  if (lenf <= 3) value *= 100;  // hours to hhhmm
  int code = forecast_type_code(ftype.empty() ? ' ' : ftype[0]);
  if (code < 0) {
    iret = kTgBadType;
    return;
  }
  iftime = code * kForecastTypeScale + value;
}

void tg_vtof(std::span<const int> validt, std::span<int> intdtf, int& iret) {
  iret = 0;
  // Everything is read before anything is written: the two arrays may alias.
  int idate = validt[0];
  int itime = validt[1];
  int iftype = validt[2] / kForecastTypeScale;
  int iftime = validt[2] - iftype * kForecastTypeScale;
  int ifhour = iftime / 100;
  int ifmin = iftime - ifhour * 100;
  int iyy = idate / 10000;
  int month = (idate - iyy * 10000) / 100;
  int day = idate - iyy * 10000 - month * 100;
  std::int64_t hour = itime / 100;
  std::int64_t minute = itime - itime / 100 * 100;
  minute -= ifmin;
  if (minute < 0) {
    minute += 60;
    --hour;
  }
  hour -= ifhour;
  std::array<int, 5> idtarr{iyy, month, day, 0, 0};
  // The day is stepped from midnight so that each step is exactly one day.
  while (hour < 0) {
    hour += 24;
    int ier = 0;
    ti_subd(idtarr, idtarr, ier);  // an invalid date stays as it is
  }
  std::int64_t date = std::int64_t{idtarr[0]} * 10000 + idtarr[1] * 100 + idtarr[2];
  intdtf[0] = static_cast<int>(date);
  // Within int range for any time word whose hour fits the hhmm form.
  intdtf[1] = static_cast<int>(hour * 100 + minute);
  intdtf[2] = iftime + kForecastTypeScale;
}
