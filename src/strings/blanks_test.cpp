#include <gtest/gtest.h>

#include <string>

#include "strings/st.h"

namespace {

TEST(RemoveBlanksTest, DropsBlanksAndTabsKeepsNuls) {
  std::string out(10, '?');
  int length = -1, iret = -1;
  st_rmbl(std::string(" a\tb \0c  ", 9), out, length, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(length, 4);
  EXPECT_EQ(out, std::string("ab\0c      ", 10));
  st_rmbl("     ", out, length, iret);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(out, std::string(10, ' '));
  // Only the first 160 characters are seen.
  std::string wide = std::string(159, ' ') + "xy";
  st_rmbl(wide, out, length, iret);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(out, "x         ");
}

TEST(LeadingSpaceTest, RemovesLeadingBlanksTabsNuls) {
  std::string out(6, '?');
  int nc = -1, iret = -1;
  st_ldsp(std::string("\0\t  abc d  ", 11), out, nc, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(nc, 5);
  EXPECT_EQ(out, "abc d ");
  st_ldsp("   ", out, nc, iret);
  EXPECT_EQ(nc, 0);
  EXPECT_EQ(out, "      ");
  // nc counts the characters even when the output field is narrower.
  std::string narrow(2, '?');
  st_ldsp("  abcdef", narrow, nc, iret);
  EXPECT_EQ(nc, 6);
  EXPECT_EQ(narrow, "ab");
}

TEST(RemoveSubstringTest, RemovesFirstOccurrence) {
  std::string out(6, '?');
  int ipos = -1, iret = -1;
  st_rmst("xxabyy", "ab", ipos, out, iret);
  EXPECT_EQ(ipos, 3);
  EXPECT_EQ(out, "xxyy  ");
  st_rmst("xxabyy", "zz", ipos, out, iret);
  EXPECT_EQ(ipos, 0);
  EXPECT_EQ(out, "xxabyy");
  std::string two(2, '?');
  st_rmst("xx", "xx", ipos, two, iret);
  EXPECT_EQ(ipos, 1);
  EXPECT_EQ(two, "  ");
  st_rmst("abab  ", "ab  ", ipos, out, iret);  // trailing blanks of the pattern ignored
  EXPECT_EQ(ipos, 1);
  EXPECT_EQ(out, "ab    ");
  st_rmst("xxabyy", "yy", ipos, out, iret);  // at the end of the text
  EXPECT_EQ(ipos, 5);
  EXPECT_EQ(out, "xxab  ");
  st_rmst("ab cd ", "   ", ipos, out, iret);  // a blank pattern removes the first blank
  EXPECT_EQ(ipos, 3);
  EXPECT_EQ(out, "abcd  ");
  st_rmst("abcd", "", ipos, out, iret);  // found in the padding only: nothing to find
  EXPECT_EQ(ipos, 0);
  EXPECT_EQ(out, "abcd  ");
}

TEST(CharacterClassTest, DigitsLettersOthers) {
  int itype = -1, iret = -1;
  auto type_of = [&](std::string_view c) {
    st_alnm(c, itype, iret);
    return itype;
  };
  EXPECT_EQ(type_of("0"), 1);
  EXPECT_EQ(type_of("9"), 1);
  EXPECT_EQ(type_of("a"), 2);
  EXPECT_EQ(type_of("Z"), 2);
  EXPECT_EQ(type_of("["), 0);
  EXPECT_EQ(type_of("`"), 0);
  EXPECT_EQ(type_of(" "), 0);
  EXPECT_EQ(type_of(""), 0);
  EXPECT_EQ(type_of("\xe9"), 0);  // above 127: unsigned, not a letter
  EXPECT_EQ(iret, 0);
  // Compared as blank-padded fields: "9a" lies above "9 ".
  EXPECT_EQ(type_of("5a"), 1);
  EXPECT_EQ(type_of("9a"), 0);
}

TEST(CleanListTest, PunctuationToSingleBlanks) {
  std::string out(8, '?');
  int length = -1, iret = -1;
  st_rnan("  a,,b  c", out, length, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(out, "a b c   ");
  st_rnan("-1.5*+2;", out, length, iret);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(out, "-1.5*+2 ");
  st_rnan(", ;", out, length, iret);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(out, "        ");
  st_rnan(std::string("\t\0 ", 3), out, length, iret);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(out, "        ");
}

}  // namespace
