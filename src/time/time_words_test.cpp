#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "time/tg.h"

namespace {

using Triple = std::array<int, 3>;
using Pair = std::array<int, 2>;

Pair ToWords(Triple t) {
  Pair w{};
  int iret = -1;
  tg_itof(t, w, iret);
  EXPECT_EQ(iret, 0);
  return w;
}

Triple FromWords(Pair w) {
  Triple t{};
  int iret = -1;
  tg_ftoi(w, t, iret);
  EXPECT_EQ(iret, 0);
  return t;
}

TEST(TimeWordsTest, BothShapesRoundTrip) {
  EXPECT_EQ(ToWords({910823, 1200, 0}), (Pair{910823, 1200}));
  EXPECT_EQ(ToWords({910823, 1200, 101200}), (Pair{823911200, 101200}));
  EXPECT_EQ(FromWords({823911200, 101200}), (Triple{910823, 1200, 101200}));
  EXPECT_EQ(FromWords({910823, 1200}), (Triple{910823, 1200, 0}));
  EXPECT_EQ(ToWords({991231, 2359, 100000}), (Pair{1231992359, 100000}));
  // Year 00 and an "A" word with a period.
  EXPECT_EQ(ToWords({101, 0, 1200}), (Pair{101000000, 1200}));
  EXPECT_EQ(FromWords({101000000, 1200}), (Triple{101, 0, 1200}));
  for (Triple t : {Triple{500101, 30, 104800}, Triple{991231, 2400, 399999}, Triple{101, 0, 1},
                   Triple{0, 0, 0}, Triple{991231, 2359, 0}}) {
    EXPECT_EQ(FromWords(ToWords(t)), t);
  }
}

TEST(TimeWordsTest, OutOfRangeInputsDoNotOverflow) {
  // A date of eight digits with a forecast word: the first word wraps, defined.
  Pair w = ToWords({99999999, 9999, 101200});
  EXPECT_EQ(w[0], static_cast<int>((9999LL * 1000000 + 9999 * 10000 + 9999) % (1LL << 32)));
  EXPECT_EQ(w[1], 101200);
  EXPECT_EQ(FromWords({INT_MAX, 5})[2], 5);
}

}  // namespace
