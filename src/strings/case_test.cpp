#include <gtest/gtest.h>

#include <string>

#include "strings/st.h"

namespace {

TEST(TrimmedLengthTest, IgnoresTrailingBlanksTabsAndNuls) {
  int lens = -1, iret = -1;
  st_lstr(std::string("AB\t  "), lens, iret);
  EXPECT_EQ(lens, 2);
  EXPECT_EQ(iret, 0);
  st_lstr("      ", lens, iret);
  EXPECT_EQ(lens, 0);
  st_lstr("", lens, iret);
  EXPECT_EQ(lens, 0);
  st_lstr(std::string("A\0 B\0\0", 6), lens, iret);
  EXPECT_EQ(lens, 4);  // inner NUL and blank count
  st_lstr(" x", lens, iret);
  EXPECT_EQ(lens, 2);
}

TEST(CaseTest, ConvertsOnlyAsciiLettersAndPadsOrCuts) {
  std::string out(8, '?');
  int iret = -1;
  st_lcuc("ab1-z{\xe1", out, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(out, "AB1-Z{\xe1 ");
  st_uclc("AZ@[m", out, iret);
  EXPECT_EQ(out, "az@[m   ");
  std::string narrow(3, '?');
  st_lcuc("abcdef", narrow, iret);
  EXPECT_EQ(narrow, "ABC");
  std::string empty;
  st_uclc("ABC", empty, iret);
  EXPECT_EQ(iret, 0);
}

}  // namespace
