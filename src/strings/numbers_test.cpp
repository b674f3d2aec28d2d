#include <gtest/gtest.h>

#include <array>
#include <string>

#include "strings/st.h"

namespace {

struct Read {
  int ival;
  int iret;
};

Read intg(std::string_view text) {
  Read r{0, 1};
  st_intg(text, r.ival, r.iret);
  return r;
}

Read numb(std::string_view text) {
  Read r{0, 1};
  st_numb(text, r.ival, r.iret);
  return r;
}

void ExpectNumber(Read r, int value) {
  EXPECT_EQ(r.iret, 0);
  EXPECT_EQ(r.ival, value);
}

void ExpectNotNumber(Read r) {
  EXPECT_EQ(r.iret, -2);
  EXPECT_EQ(r.ival, -9999);
}

TEST(IntegerTest, ReadsSignedDigitsFillingTheField) {
  ExpectNumber(intg("0042"), 42);
  ExpectNumber(intg("-17"), -17);
  ExpectNumber(intg("+5"), 5);
  ExpectNotNumber(intg("42 "));
  ExpectNotNumber(intg(" 42"));
  ExpectNotNumber(intg("-"));
  ExpectNotNumber(intg(""));
  ExpectNotNumber(intg("4x"));
  // Only the first 12 characters are seen.
  ExpectNumber(intg("000000000012xyz"), 12);
  // Ten or more digits wrap modulo 2^32.
  ExpectNumber(intg("2147483647"), 2147483647);
  ExpectNumber(intg("-2147483648"), -2147483647 - 1);
  ExpectNumber(intg("4294967297"), 1);
  ExpectNumber(intg("99999999999"), 1215752191);  // 99999999999 - 23 * 2^32
}

TEST(NumberTest, RemovesBlanksAndOneTrailingPoint) {
  ExpectNumber(numb(" - 1 2 "), -12);
  ExpectNumber(numb("+7"), 7);
  ExpectNumber(numb("12."), 12);
  ExpectNumber(numb("\t3\t"), 3);
  ExpectNotNumber(numb("1.5"));
  ExpectNotNumber(numb("12.."));
  ExpectNotNumber(numb("."));
  ExpectNotNumber(numb("+"));
  ExpectNotNumber(numb("    "));
  ExpectNumber(numb("  123456789012  "), -1097262572);  // 12 digits wrap
  ExpectNotNumber(numb("1234567890123"));
  ExpectNotNumber(numb("12345678901 2."));
}

TEST(IntegerListTest, ReadsItemsSeparatedByPunctuation) {
  std::array<int, 5> values{};
  int num = -1, iret = -1;
  st_c2i("10, 20;30", 5, values, num, iret);
  EXPECT_EQ(iret, 0);
  ASSERT_EQ(num, 3);
  EXPECT_EQ(values[0], 10);
  EXPECT_EQ(values[1], 20);
  EXPECT_EQ(values[2], 30);

  st_c2i("1 2 3", 2, values, num, iret);
  EXPECT_EQ(iret, 1);
  EXPECT_EQ(num, 2);
  EXPECT_EQ(values[1], 2);

  st_c2i("1 x 3", 5, values, num, iret);
  EXPECT_EQ(iret, -2);  // a later good item does not clear the failure
  ASSERT_EQ(num, 3);
  EXPECT_EQ(values[1], -9999);
  EXPECT_EQ(values[2], 3);

  st_c2i("      ", 5, values, num, iret);
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(num, 0);

  st_c2i(", ;", 5, values, num, iret);
  EXPECT_EQ(iret, -2);
  ASSERT_EQ(num, 1);
  EXPECT_EQ(values[0], -9999);

  st_c2i("7", 0, values, num, iret);
  EXPECT_EQ(iret, 1);
  EXPECT_EQ(num, 0);

  st_c2i("-4/+5.", 5, values, num, iret);
  EXPECT_EQ(iret, 0);
  ASSERT_EQ(num, 2);
  EXPECT_EQ(values[0], -4);
  EXPECT_EQ(values[1], 5);
}

TEST(IntegerListTest, NeverWritesPastTheArray) {
  std::array<int, 3> values{0, 0, -1};
  int num = -1, iret = -1;
  st_c2i("1 2 3", 9, std::span<int>(values).first(2), num, iret);
  EXPECT_EQ(iret, 1);
  EXPECT_EQ(num, 2);
  EXPECT_EQ(values[2], -1);
  st_c2i("1", -3, values, num, iret);
  EXPECT_EQ(iret, 1);
  EXPECT_EQ(num, 0);
}

TEST(IntegerTextTest, LeftJustifiedDecimal) {
  std::string out(12, '?');
  int iret = -1;
  st_inch(0, out, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(out, "0           ");
  st_inch(-45, out, iret);
  EXPECT_EQ(out, "-45         ");
  st_inch(1234567890, out, iret);
  EXPECT_EQ(out, "1234567890  ");
  st_inch(-999999999, out, iret);
  EXPECT_EQ(out, "-999999999  ");
  st_inch(-1000000000, out, iret);  // needs eleven characters
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(out, "**********  ");
  std::string narrow(2, '?');
  st_inch(12345, narrow, iret);
  EXPECT_EQ(narrow, "12");
}

}  // namespace
