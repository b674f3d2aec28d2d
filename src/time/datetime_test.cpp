#include <gtest/gtest.h>

#include <array>
#include <string>

#include "time/ti.h"
#include "time/ti_codes.h"

namespace {

using namespace timecodes;
using Fields = std::array<int, 5>;

int Read(std::string_view text, Fields& idtarr) {
  idtarr.fill(77);
  int iret = 99;
  ti_ctoi(text, idtarr, iret);
  return iret;
}

TEST(DateTimeTextTest, ReadsBothYearForms) {
  Fields f;
  EXPECT_EQ(Read("910823/1200", f), 0);
  EXPECT_EQ(f, (Fields{1991, 8, 23, 12, 0}));
  EXPECT_EQ(Read("19910823/1200", f), 0);
  EXPECT_EQ(f, (Fields{1991, 8, 23, 12, 0}));
  EXPECT_EQ(Read("20910823/1200", f), 0);  // the first two year digits are skipped
  EXPECT_EQ(f, (Fields{1991, 8, 23, 12, 0}));
  EXPECT_EQ(Read("200229/0000", f), 0);
  EXPECT_EQ(f, (Fields{2020, 2, 29, 0, 0}));
  EXPECT_EQ(Read("000229/0000", f), 0);
  EXPECT_EQ(f, (Fields{2000, 2, 29, 0, 0}));
  EXPECT_EQ(Read("210101/0000", f), 0);
  EXPECT_EQ(f[0], 1921);
  EXPECT_EQ(Read("910823/2400", f), 0);
  EXPECT_EQ(Read("910823/1260", f), 0);
  EXPECT_EQ(Read("910823/1200           ", f), 0);  // trailing blanks of a wide field
  EXPECT_EQ(Read("910823/ 12.", f), 0);             // blanks dropped, one trailing point dropped
  EXPECT_EQ(f, (Fields{1991, 8, 23, 0, 12}));
}

TEST(DateTimeTextTest, ErrorCodes) {
  Fields f;
  EXPECT_EQ(Read("910823/120", f), kTiBadText);  // 10 characters
  EXPECT_EQ(f, (Fields{0, 0, 0, 0, 0}));
  EXPECT_EQ(Read("", f), kTiBadText);
  EXPECT_EQ(Read("9108231200x", f), kTiBadText);
  EXPECT_EQ(Read("91082x/1200", f), kTiBadText);
  EXPECT_EQ(Read("910823/12x0", f), kTiBadText);
  EXPECT_EQ(Read("-10823/1200", f), kTiBadYear);
  EXPECT_EQ(Read("910823/-120", f), kTiBadHour);
  EXPECT_EQ(Read("210229/0000", f), kTiBadDay);  // 1921 is not a leap year
  EXPECT_EQ(Read("910431/0000", f), kTiBadDay);
  EXPECT_EQ(Read("910800/0000", f), kTiBadDay);
  EXPECT_EQ(Read("910823/2500", f), kTiBadHour);
  EXPECT_EQ(Read("910823/1261", f), kTiBadMinute);
  EXPECT_EQ(f, (Fields{0, 0, 0, 0, 0}));
  // The last failing check decides the code.
  EXPECT_EQ(Read("911332/2500", f), kTiBadHour);
  EXPECT_EQ(Read("911300/1200", f), kTiBadDay);
  EXPECT_EQ(Read("911415/1200", f), kTiBadMonth);  // month 14 has no table entry
  EXPECT_EQ(Read("911330/1200", f), kTiBadDay);    // month 13 reads the leap-February entry
  EXPECT_EQ(Read("911329/1200", f), kTiBadMonth);
  EXPECT_EQ(Read("999999/9999", f), kTiBadMinute);  // every field out of range, no fault
  EXPECT_EQ(Read("999999/9900", f), kTiBadHour);
  EXPECT_EQ(Read("000000/0000", f), kTiBadDay);
}

TEST(DateTimeTextTest, IdtmGivesGridTimeWords) {
  int idate = -1, itime = -1, iret = -1;
  ti_idtm("910823/1200", idate, itime, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(idate, 910823);
  EXPECT_EQ(itime, 1200);
  ti_idtm("20050301/0630", idate, itime, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(idate, 50301);
  EXPECT_EQ(itime, 630);
  ti_idtm("911323/1200", idate, itime, iret);
  EXPECT_EQ(iret, kTiBadMonth);
  EXPECT_EQ(idate, 0);
  EXPECT_EQ(itime, 0);
}

}  // namespace
