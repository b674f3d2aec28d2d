// Date/time texts (yymmdd/hhmm or yyyymmdd/hhmm) to five integers, and to the
// yymmdd and hhmm words of a grid time.
#include "time/ti.h"

#include <array>
#include <string_view>

#include "strings/st.h"
#include "time/calendar.h"
#include "time/ti_codes.h"

namespace {

using namespace timecodes;

// Characters first..last (1-based) of `text`; positions beyond its width are absent.
std::string_view characters(std::string_view text, std::size_t first, std::size_t last) {
  if (first > text.size()) return {};
  return text.substr(first - 1, last - first + 1);
}

// Two-digit years: 0-20 are 2000-2020, 21-99 are 1921-1999.
int widen_year(int year) {
  return year <= 20 ? year + 2000 : year + 1900;
}

// Every check runs; a later failing check overwrites an earlier code. The leap
// rule is judged on the widened year.
int check_fields(int year, int month, int day, int hour, int minute) {
  int code = 0;
  int widened = year;
  if (year < 0 || year > 99) {
    code = kTiBadYear;
  } else {
    widened = widen_year(year);
  }
  if (month < 1 || month > 12) code = kTiBadMonth;
  if (day < 1) {
    code = kTiBadDay;
  } else if (month >= 1 && month <= 13 && day > timecal::days_in_month(widened, month)) {
    code = kTiBadDay;
  }
  if (hour < 0 || hour > 24) code = kTiBadHour;
  if (minute < 0 || minute > 60) code = kTiBadMinute;
  return code;
}

}  // namespace

void ti_ctoi(std::string_view dttext, std::span<int> idtarr, int& iret) {
  iret = 0;
  for (std::size_t i = 0; i < 5; ++i) idtarr[i] = 0;
  int length = 0;
  st_lstr(dttext, length, iret);
  if (length <= 10) {
    iret = kTiBadText;
    return;
  }
  std::string_view date_digits;
  std::string_view time_digits;
  if (dttext[6] == '/') {
    date_digits = characters(dttext, 1, 6);
    time_digits = characters(dttext, 8, 11);
  } else if (dttext[8] == '/') {
    // Four-digit year: its first two digits are skipped.
    date_digits = characters(dttext, 3, 8);
    time_digits = characters(dttext, 10, 13);
  } else {
    iret = kTiBadText;
    return;
  }
  int idate = 0, itime = 0, ier1 = 0, ier2 = 0;
  st_numb(date_digits, idate, ier1);
  st_numb(time_digits, itime, ier2);
  if (ier1 != 0 || ier2 != 0) {
    iret = kTiBadText;
    return;
  }
  if (idate < 0) {
    iret = kTiBadYear;
    return;
  }
  if (itime < 0) {
    iret = kTiBadHour;
    return;
  }
  int year = idate / 10000;
  int month = idate % 10000 / 100;
  int day = idate % 100;
  int hour = itime / 100;
  int minute = itime % 100;
  iret = check_fields(year, month, day, hour, minute);
  if (iret != 0) return;
  idtarr[0] = widen_year(year);
  idtarr[1] = month;
  idtarr[2] = day;
  idtarr[3] = hour;
  idtarr[4] = minute;
}

void ti_idtm(std::string_view dttext, int& idate, int& itime, int& iret) {
  std::array<int, 5> idtarr{};
  ti_ctoi(dttext, idtarr, iret);
  if (iret != 0) {
    idate = 0;
    itime = 0;
    return;
  }
  idate = idtarr[0] % 100 * 10000 + idtarr[1] * 100 + idtarr[2];
  itime = idtarr[3] * 100 + idtarr[4];
}
