// Grid time integers back to text: the worked times, blank and bad words, and
// the round trip through tg_ctoi for every form the text can take.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "time/tg.h"

namespace {

std::string itoc(std::array<int, 3> intdtf, int& iret, std::size_t width = 20) {
  std::string text(width, '#');
  tg_itoc(intdtf, text, iret);
  return text;
}

TEST(TimeIntegersToText, WorkedTimes) {
  int iret = 9;
  EXPECT_EQ(itoc({910823, 1200, 0}, iret), "910823/1200         ");
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(itoc({910823, 1200, 101200}, iret), "910823/1200F012     ");
  EXPECT_EQ(itoc({910823, 1200, 100130}, iret), "910823/1200F00130   ");
  EXPECT_EQ(itoc({50101, 5, 304800}, iret), "050101/0005I048     ");
  EXPECT_EQ(itoc({910822, 1800, 299900}, iret), "910822/1800G999     ");
  EXPECT_EQ(itoc({0, 0, 0}, iret), std::string(20, ' '));
  EXPECT_EQ(iret, 0);
  // A narrower field gets the text cut.
  EXPECT_EQ(itoc({910823, 1200, 101200}, iret, 8), "910823/1");
}

TEST(TimeIntegersToText, WordsWithoutATextForm) {
  int iret = 0;
  EXPECT_EQ(itoc({-8769, 0, 0}, iret), std::string(20, ' '));  // a date stepped before year 00
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(itoc({1000000, 0, 0}, iret), std::string(20, ' '));
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(itoc({910823, 12000, 0}, iret), std::string(20, ' '));
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(itoc({910823, 1200, 401200}, iret), std::string(20, ' '));
  EXPECT_EQ(iret, -2);
  EXPECT_EQ(itoc({910823, 1200, -5}, iret), std::string(20, ' '));
  EXPECT_EQ(iret, -2);
}

TEST(TimeIntegersToText, TextsRoundTripThroughTheStoredWords) {
  for (const char* text : {"910823/1200", "910823/1200F012", "000229/2359A001", "991231/0000I00130",
                           "910823/1200G12345", "910823/0600V012", "910101/0000F048"}) {
    std::array<int, 3> intdtf{}, back{};
    std::array<int, 2> words{};
    int iret = 0;
    tg_ctoi(text, intdtf, iret);
    ASSERT_EQ(iret, 0) << text;
    tg_itof(intdtf, words, iret);
    tg_ftoi(words, back, iret);
    std::string again(20, ' ');
    tg_itoc(back, again, iret);
    ASSERT_EQ(iret, 0) << text;
    std::array<int, 3> reread{};
    tg_ctoi(again, reread, iret);
    EXPECT_EQ(reread, intdtf) << text << " -> " << again;
  }
}

}  // namespace
