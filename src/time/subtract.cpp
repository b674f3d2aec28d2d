// Stepping a five-integer date/time back by minutes or by one day. Years are
// kept in the form given (two-digit or four-digit) and may step below 0.
#include "time/ti.h"

#include <cstdint>

#include "time/calendar.h"
#include "time/ti_codes.h"

namespace {

using namespace timecodes;

// Borrow whole units from `value` (negative) so that it ends in 0..radix-1;
// returns the number of units owed. Integer division cuts toward zero.
std::int64_t borrow(std::int64_t& value, std::int64_t radix) {
  std::int64_t owed = 1 - value / radix;
  if (value % radix == 0) {
    --owed;
    value = 0;
  } else {
    value += radix * owed;
  }
  return owed;
}

// One day back; the first of a month goes to the last day of the month before.
void step_back_one_day(int& year, int& month, int& day) {
  if (day != 1) {
    --day;
    return;
  }
  --month;
  if (month == 0) {
    month = 12;
    --year;
  }
  day = timecal::days_in_month(year, month);
}

}  // namespace

void ti_subm(std::span<const int> idtarr, int nsubm, std::span<int> dtout, int& iret) {
  iret = 0;
  int year = idtarr[0];
  int month = idtarr[1];
  int day = idtarr[2];
  std::int64_t hour = idtarr[3];
  std::int64_t minute = idtarr[4];
  if (year < 0 || (year >= 100 && year <= 999)) {
    iret = kTiBadYear;
    return;
  }
  if (month < 1 || month > 12) {
    iret = kTiBadMonth;
    return;
  }
  if (day < 1 || day > timecal::days_in_month(year, month)) {
    iret = kTiBadDay;
    return;
  }
  minute -= nsubm;
  if (minute < 0) {
    hour -= borrow(minute, 60);
    if (hour < 0) {
      std::int64_t ndays = borrow(hour, 24);
      // The calendar repeats every 400 years (146097 days): skip whole cycles.
      constexpr std::int64_t kDaysPer400Years = 146097;
      year -= static_cast<int>(ndays / kDaysPer400Years * 400);
      ndays %= kDaysPer400Years;
      for (std::int64_t k = 0; k < ndays; ++k) step_back_one_day(year, month, day);
    }
  }
  dtout[0] = year;
  dtout[1] = month;
  dtout[2] = day;
  // Within int range unless a negative nsubm pushed the minute above it; the
  // conversion then keeps the wrapped 32-bit value.
  dtout[3] = static_cast<int>(hour);
  dtout[4] = static_cast<int>(minute);
}

void ti_subd(std::span<const int> idtarr, std::span<int> dtout, int& iret) {
  constexpr int kMinutesPerDay = 24 * 60;
  ti_subm(idtarr, kMinutesPerDay, dtout, iret);
}
