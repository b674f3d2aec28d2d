#include "grid/gr.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

std::int32_t chars_word(const char* four) {
  std::int32_t w = 0;
  std::memcpy(&w, four, 4);
  return w;
}

using Nav = std::array<float, 256>;

TEST(NavigationBlock, CedExampleWordByWord) {
  Nav nav;
  nav.fill(7.0f);  // every word not set must come back 0.0
  int iret = -1;
  gr_mnav("CED", 10, 5, 12.5f, -30.25f, 45.0f, 60.5f, 1.5f, -2.5f, 3.0f, true, nav, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(nav[0], 2.0f);
  EXPECT_EQ(std::bit_cast<std::int32_t>(nav[1]), chars_word("CED "));
  const std::array<float, 11> expected = {1.0f,  1.0f,  10.0f, 5.0f,  12.5f, -30.25f,
                                          45.0f, 60.5f, 1.5f,  -2.5f, 3.0f};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(nav[i + 2], expected[i]) << i + 3;
  for (std::size_t i = 13; i < nav.size(); ++i) EXPECT_EQ(nav[i], 0.0f) << i + 1;
}

TEST(NavigationBlock, NavigationTypeFromNameAndAngleFlag) {
  Nav nav{};
  int iret = 0;
  for (const char* name : {"LIN", "LOG", "KAP", "POL"}) {
    for (bool angset : {false, true}) {
      gr_mnav(name, 2, 2, 0, 0, 1, 1, 0, 0, 0, angset, nav, iret);
      EXPECT_EQ(nav[0], 3.0f) << name << angset;
    }
  }
  gr_mnav("LCC", 2, 2, 0, 0, 1, 1, 0, 0, 0, false, nav, iret);
  EXPECT_EQ(nav[0], 1.0f);
  // Trailing blanks do not matter; case does; a fourth character prevents a match.
  gr_mnav("LIN     ", 2, 2, 0, 0, 1, 1, 0, 0, 0, false, nav, iret);
  EXPECT_EQ(nav[0], 3.0f);
  gr_mnav("lin", 2, 2, 0, 0, 1, 1, 0, 0, 0, false, nav, iret);
  EXPECT_EQ(nav[0], 1.0f);
  gr_mnav("LINX", 2, 2, 0, 0, 1, 1, 0, 0, 0, true, nav, iret);
  EXPECT_EQ(nav[0], 2.0f);
  gr_mnav("LI", 2, 2, 0, 0, 1, 1, 0, 0, 0, true, nav, iret);
  EXPECT_EQ(nav[0], 2.0f);
}

TEST(NavigationBlock, NameStoredAsGivenCutOrPadded) {
  Nav nav{};
  int iret = 0;
  gr_mnav("lcc", 2, 2, 0, 0, 1, 1, 0, 0, 0, true, nav, iret);
  EXPECT_EQ(nav[0], 2.0f);
  EXPECT_EQ(std::bit_cast<std::int32_t>(nav[1]), chars_word("lcc "));
  gr_mnav("MERCATOR", 2, 2, 0, 0, 1, 1, 0, 0, 0, true, nav, iret);
  EXPECT_EQ(std::bit_cast<std::int32_t>(nav[1]), chars_word("MERC"));
  gr_mnav("", 2, 2, 0, 0, 1, 1, 0, 0, 0, false, nav, iret);
  EXPECT_EQ(std::bit_cast<std::int32_t>(nav[1]), chars_word("    "));
  EXPECT_EQ(nav[0], 1.0f);
}

TEST(NavigationBlock, SecondCallClearsWhatItDoesNotSet) {
  Nav nav{};
  int iret = 0;
  gr_mnav("CED", 10, 5, 1, 2, 3, 4, 5, 6, 7, true, nav, iret);
  nav[100] = 99.0f;
  nav[255] = -1.0f;
  gr_mnav("POL", 3, 4, 0, 0, 0, 0, 0, 0, 0, false, nav, iret);
  EXPECT_EQ(nav[0], 3.0f);
  EXPECT_EQ(nav[4], 3.0f);
  EXPECT_EQ(nav[5], 4.0f);
  for (std::size_t i = 6; i < nav.size(); ++i) EXPECT_EQ(nav[i], 0.0f) << i + 1;
}

TEST(NavigationBlock, ShortBlockIsFilledOnlyAsFarAsItReaches) {
  std::array<float, 6> shortnav{};  // the sanitizer build catches a write past it
  int iret = -1;
  gr_mnav("CED", 10, 5, 1, 2, 3, 4, 5, 6, 7, true, shortnav, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(shortnav[0], 2.0f);
  EXPECT_EQ(shortnav[5], 5.0f);
}

}  // namespace
