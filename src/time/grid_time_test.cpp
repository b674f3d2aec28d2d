#include <gtest/gtest.h>

#include <array>
#include <string>

#include "time/tg.h"
#include "time/ti_codes.h"

namespace {

using namespace timecodes;
using Triple = std::array<int, 3>;

int Convert(std::string_view text, Triple& intdtf) {
  intdtf.fill(77);
  int iret = 99;
  tg_ctoi(text, intdtf, iret);
  return iret;
}

Triple Expect(std::string_view text) {
  Triple t;
  EXPECT_EQ(Convert(text, t), 0) << text;
  return t;
}

TEST(GridTimeTextTest, DateTimeAndForecastPart) {
  EXPECT_EQ(Expect("910823/1200"), (Triple{910823, 1200, 0}));
  EXPECT_EQ(Expect("910823/1200F012"), (Triple{910823, 1200, 101200}));
  EXPECT_EQ(Expect("910823/1200f12"), (Triple{910823, 1200, 101200}));
  EXPECT_EQ(Expect("910823/1200F12"), (Triple{910823, 1200, 101200}));
  EXPECT_EQ(Expect("910823/1200A00"), (Triple{910823, 1200, 0}));
  EXPECT_EQ(Expect("910823/1200F00130"), (Triple{910823, 1200, 100130}));
  EXPECT_EQ(Expect("910823/1200G999"), (Triple{910823, 1200, 299900}));
  EXPECT_EQ(Expect("910823/1200I99999"), (Triple{910823, 1200, 399999}));
  EXPECT_EQ(Expect("910823/1200X"), (Triple{910823, 1200, 0}));  // no period: letter unread
  EXPECT_EQ(Expect("050301/0000"), (Triple{50301, 0, 0}));
  // Only 20 characters are used.
  EXPECT_EQ(Expect("910823/1200F012     garbage"), (Triple{910823, 1200, 101200}));
}

TEST(GridTimeTextTest, BlankTextIsNoTime) {
  EXPECT_EQ(Expect("                    "), (Triple{0, 0, 0}));
  EXPECT_EQ(Expect(""), (Triple{0, 0, 0}));
  EXPECT_EQ(Expect("910823/1200"), (Triple{910823, 1200, 0}));
  EXPECT_EQ(Expect("   "), (Triple{0, 0, 0}));  // also after a remembered conversion
}

TEST(GridTimeTextTest, ValidTimesBecomeInitialTimes) {
  EXPECT_EQ(Expect("910823/0600V012"), (Triple{910822, 1800, 101200}));  // across a day
  EXPECT_EQ(Expect("910823/1200V012"), (Triple{910823, 0, 101200}));
  EXPECT_EQ(Expect("910301/0600v012"), (Triple{910228, 1800, 101200}));  // across a month
  EXPECT_EQ(Expect("920301/0600V012"), (Triple{920229, 1800, 101200}));  // leap day
  EXPECT_EQ(Expect("910101/0000V048"), (Triple{901230, 0, 104800}));     // across a year
  EXPECT_EQ(Expect("910101/0015V00030"), (Triple{901231, 2345, 100030}));
  EXPECT_EQ(Expect("000101/0000V012"), (Triple{-8769, 1200, 101200}));  // year 00 steps to -1
  EXPECT_EQ(Expect("910823/1200V00000"), (Triple{910823, 1200, 100000}));
}

TEST(GridTimeTextTest, ErrorCodes) {
  Triple t;
  EXPECT_EQ(Convert("910823/1200X012", t), kTgBadType);
  EXPECT_EQ(t, (Triple{0, 0, 0}));
  EXPECT_EQ(Convert("910823/1200F1X", t), kTgBadPeriod);
  EXPECT_EQ(t, (Triple{0, 0, 0}));
  EXPECT_EQ(Convert("910823/1200F123456", t), kTgBadType);
  EXPECT_EQ(Convert("910823/1200F 12", t), kTgBadPeriod);
  EXPECT_EQ(Convert("910823/1200F-12", t), kTgBadPeriod);  // a period has no sign
  EXPECT_EQ(Convert("911323/1200", t), kTgBadDateTime);
  EXPECT_EQ(t, (Triple{0, 0, 0}));
  // A bad date keeps the forecast word already read.
  EXPECT_EQ(Convert("911323/1200F012", t), kTgBadDateTime);
  EXPECT_EQ(t, (Triple{0, 0, 101200}));
  EXPECT_EQ(Convert("910823/2500", t), kTgBadDateTime);
}

TEST(GridTimeTextTest, RememberedResultEqualsConversion) {
  // A failure is not remembered: the same text fails again.
  Triple t;
  EXPECT_EQ(Convert("911323/1200", t), kTgBadDateTime);
  EXPECT_EQ(Convert("911323/1200", t), kTgBadDateTime);
  EXPECT_EQ(t, (Triple{0, 0, 0}));
  EXPECT_EQ(Convert("910823/1200F012", t), 0);
  EXPECT_EQ(Convert("910823/1200F1X", t), kTgBadPeriod);
  EXPECT_EQ(Convert("910823/1200F1X", t), kTgBadPeriod);
  // Repeated, the remembered text returns the same result; a blank-padded copy is the same text.
  EXPECT_EQ(Expect("910823/0600V012"), (Triple{910822, 1800, 101200}));
  EXPECT_EQ(Expect("910823/0600V012"), (Triple{910822, 1800, 101200}));
  EXPECT_EQ(Expect("910823/0600V012     "), (Triple{910822, 1800, 101200}));
  // Different texts with a common start are not confused.
  EXPECT_EQ(Expect("910823/0600V0120"), (Triple{910823, 440, 100120}));
}

TEST(ForecastWordTest, TypeAndPeriod) {
  int iftime = -1, iret = -1;
  tg_iftm("F", "12      ", iftime, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(iftime, 101200);
  tg_iftm("A", "0130    ", iftime, iret);
  EXPECT_EQ(iftime, 130);
  tg_iftm("Q", "        ", iftime, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(iftime, 0);
  tg_iftm("V", "12      ", iftime, iret);  // only tg_ctoi knows "V"
  EXPECT_EQ(iret, kTgBadType);
  EXPECT_EQ(iftime, 0);
  tg_iftm("f", "12      ", iftime, iret);  // expected upper case already
  EXPECT_EQ(iret, kTgBadType);
  tg_iftm("", "12", iftime, iret);
  EXPECT_EQ(iret, kTgBadType);
  tg_iftm("G", "+12", iftime, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(iftime, 201200);
}

TEST(ValidTimeTest, AliasedArraysAndAnyTypeCode) {
  Triple t{910823, 600, 301200};  // an "I" word still comes out as "F"
  int iret = -1;
  tg_vtof(t, t, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(t, (Triple{910822, 1800, 101200}));
  Triple bad{911399, 600, 101200};  // invalid date: the date stays, the hour wraps
  tg_vtof(bad, bad, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(bad, (Triple{911399, 1800, 101200}));
}

}  // namespace
