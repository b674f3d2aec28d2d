#include "grid/gd.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

std::int32_t chars_word(std::string_view four) {
  std::int32_t w = 0;
  std::memcpy(&w, four.data(), 4);
  return w;
}

std::array<int, 10> identifier(std::string_view time1, std::string_view time2,
                               std::string_view pname, int lev1 = 500, int lev2 = -1,
                               int vcode = 1) {
  const std::array<std::string_view, 2> timpair = {time1, time2};
  const std::array<int, 2> levpair = {lev1, lev2};
  std::array<int, 10> ihdarr;
  ihdarr.fill(12345);
  int iret = -1;
  gd_itoh(timpair, levpair, vcode, pname, ihdarr, iret);
  EXPECT_EQ(iret, 0);
  return ihdarr;
}

const std::string_view kBlankTime = "                    ";

TEST(GridIdentifier, TimeWithoutForecastAndBlankSecondTime) {
  const auto h = identifier("910823/1200         ", kBlankTime, "TMPK", 850, -1, 1);
  const std::array<int, 10> expected = {
      910823, 1200, 0, 0, 850, -1, 1, chars_word("TMPK"), chars_word("    "), chars_word("    ")};
  EXPECT_EQ(h, expected);
}

TEST(GridIdentifier, ForecastTimeShape) {
  const auto h = identifier("910823/1200F012     ", "910823/1200         ", "PMSL", 0, -1, 0);
  EXPECT_EQ(h[0], 823911200);
  EXPECT_EQ(h[1], 101200);
  EXPECT_EQ(h[2], 910823);
  EXPECT_EQ(h[3], 1200);
  EXPECT_EQ(h[4], 0);
  EXPECT_EQ(h[6], 0);
}

TEST(GridIdentifier, TimesThatDoNotConvert) {
  // A bad forecast part leaves all zeros; a bad date with a good forecast part
  // keeps the forecast word.
  auto h = identifier("910823/1200F1X      ", "911323/1200F012     ", "T");
  EXPECT_EQ(h[0], 0);
  EXPECT_EQ(h[1], 0);
  EXPECT_EQ(h[2], 0);
  EXPECT_EQ(h[3], 101200);
}

TEST(GridIdentifier, NameCutOrPaddedToTwelveAsGiven) {
  auto h = identifier(kBlankTime, kBlankTime, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(h[7], chars_word("ABCD"));
  EXPECT_EQ(h[8], chars_word("EFGH"));
  EXPECT_EQ(h[9], chars_word("IJKL"));
  h = identifier(kBlankTime, kBlankTime, "tmpk12");
  EXPECT_EQ(h[7], chars_word("tmpk"));
  EXPECT_EQ(h[8], chars_word("12  "));
  EXPECT_EQ(h[9], chars_word("    "));
  EXPECT_EQ(h[0], 0);
  EXPECT_EQ(h[1], 0);
}

}  // namespace
