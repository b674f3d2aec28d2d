#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "pack/dp.h"
#include "platform/platform_test.h"

namespace {

constexpr float kMiss = -9999.0f;

unsigned u(int w) {
  return static_cast<unsigned>(w);
}

struct Packed {
  std::vector<int> words;
  int lendat = -1;
  float ref = 0, scale = 0;
  int iret = 99;
};

Packed pgrb(const std::vector<float>& grid, int kx, int ky, int nbits, std::size_t nwords = 8) {
  Packed p;
  p.words.assign(nwords, 0x55555555);
  dp_pgrb(grid, kx, ky, nbits, p.words, p.lendat, p.ref, p.scale, p.iret);
  return p;
}

class GribPackTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::testing::capture_stdout(true); }
  void TearDown() override {
    platform::testing::take_stdout();
    platform::testing::capture_stdout(false);
  }
};

TEST_F(GribPackTest, WorkedExample) {
  const Packed p = pgrb({10.0f, 12.5f, kMiss}, 3, 1, 8);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.lendat, 1);
  EXPECT_EQ(u(p.words[0]), 0x00A0FF00u);
  EXPECT_EQ(p.ref, 10.0f);
  EXPECT_EQ(p.scale, 0.015625f);
  EXPECT_EQ(u(p.words[1]), 0x55555555u);  // beyond lendat: untouched
  EXPECT_EQ(platform::testing::take_stdout(), "");
}

TEST_F(GribPackTest, CodesStraddleWords) {
  // 16 bits, 3 values, range 1.5: step 2^-15, codes 0, 0x8000, 0xC000.
  Packed p = pgrb({0.0f, 1.0f, 1.5f}, 3, 1, 16);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.lendat, 2);
  EXPECT_EQ(p.scale, std::ldexp(1.0f, -15));
  EXPECT_EQ(u(p.words[0]), 0x00008000u);
  EXPECT_EQ(u(p.words[1]), 0xC0000000u);  // low 16 bits of the last word are 0

  // 12 bits: the third code's high 8 bits end word 1, its low 4 bits start word 2.
  p = pgrb({0.0f, kMiss, 1.0f}, 3, 1, 12);  // range 1: 2^11 steps of 2^-11
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.lendat, 2);
  EXPECT_EQ(u(p.words[0]), 0x000FFF80u);
  EXPECT_EQ(u(p.words[1]), 0x00000000u);
  p = pgrb({0.0f, kMiss, kMiss}, 3, 1, 12);  // one value: code 0, missing all ones
  EXPECT_EQ(u(p.words[0]), 0x000FFFFFu);
  EXPECT_EQ(u(p.words[1]), 0xF0000000u);
}

TEST_F(GribPackTest, Refusals) {
  Packed p = pgrb({1.0f, 2.0f}, 2, 1, 1);
  EXPECT_EQ(p.iret, -10);
  EXPECT_EQ(p.lendat, -1);
  EXPECT_EQ(u(p.words[0]), 0x55555555u);
  EXPECT_EQ(pgrb({1.0f, 2.0f}, 2, 1, 32).iret, -10);

  p = pgrb({}, 0, 5, 8);
  EXPECT_EQ(p.iret, -11);
  EXPECT_EQ(p.lendat, 0);
  p = pgrb({1.0f}, -1, -1, 8);  // negative sizes are an empty grid, not 1 point
  EXPECT_EQ(p.iret, -11);
  EXPECT_EQ(p.lendat, 0);

  p = pgrb({kMiss, -9999.05f, kMiss}, 3, 1, 8);
  EXPECT_EQ(p.iret, -11);
  EXPECT_EQ(p.lendat, 1);
  EXPECT_EQ(p.words[0], 0);
  EXPECT_EQ(p.ref, 1.0e31f);
  EXPECT_EQ(p.scale, 1.0f);

  // Arrays shorter than the grid or the packed stream.
  EXPECT_EQ(pgrb({1.0f, 2.0f}, 3, 1, 8).iret, -13);
  EXPECT_EQ(pgrb(std::vector<float>(100, 1.0f), 10, 10, 16, 49).iret, -13);
  EXPECT_EQ(pgrb(std::vector<float>(100, 1.0f), 10, 10, 16, 50).iret, 0);
}

TEST_F(GribPackTest, MissingToleranceAndEqualValues) {
  // -9999.2 is a value, -9999.05 is missing.
  const Packed p = pgrb({-9999.2f, -9999.05f, -9999.2f}, 3, 1, 8);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.ref, -9999.2f);
  EXPECT_EQ(p.scale, 1.0f);
  // All values equal: codes 0 with step 1.0, the missing point keeps its code.
  EXPECT_EQ(u(p.words[0]), 0x00FF0000u);
  std::vector<float> back(3);
  int iret = 99;
  dp_ugrb(p.words, 3, 8, p.ref, p.scale, back, iret);
  EXPECT_EQ(back, (std::vector<float>{-9999.2f, kMiss, -9999.2f}));
}

TEST_F(GribPackTest, DownwardSearch) {
  // Range 1e6 with 16 bits: 1e6 * 2^-4 = 62500 is the first below 65535.
  Packed p = pgrb({0.0f, 1.0e6f}, 2, 1, 16);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.scale, 16.0f);
  EXPECT_EQ(u(p.words[0]), 62500u);

  // The largest value never takes the missing code: with 2 bits and a range
  // of 5.5, 5.5 / 2 = 2.75 would round to 3; the search goes on to a step of 4.
  p = pgrb({0.0f, 5.5f}, 2, 1, 2);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.scale, 4.0f);
  EXPECT_EQ(u(p.words[0]) >> 28, 0x1u);  // codes 0 and 1

  // A range of exactly 2^31 writes no warning.
  p = pgrb({0.0f, 2147483648.0f}, 2, 1, 8);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.scale, std::ldexp(1.0f, 24));  // 2^31 / 2^24 = 128 < 255
  EXPECT_EQ(platform::testing::take_stdout(), "");
}

TEST_F(GribPackTest, RangeTooBigWarns) {
  const Packed p = pgrb({-5.0e9f, 2.5e10f}, 2, 1, 8);
  ASSERT_EQ(p.iret, 0);
  // qdif = 2.5e10 + 5e9 rounded to single precision: 29999998976.
  EXPECT_EQ(platform::testing::take_stdout(),
            " Warning: range too big    2.99999990E+10   2.49999995E+10  -5.00000000E+09 "
            "-2147483648\n");
  EXPECT_EQ(p.ref, -5.0e9f);
  EXPECT_EQ(p.scale, std::ldexp(1.0f, 27));  // 3e10 / 2^27 = 223.5
  EXPECT_EQ(u(p.words[0]), 0x00E00000u);

  // A range beyond every real (3e38 - (-3e38) overflows): not even a step
  // of 2^127 rebuilds 3e38 from -3e38 in single precision, so it is refused.
  const Packed q = pgrb({-3.0e38f, 3.0e38f}, 2, 1, 8);
  EXPECT_EQ(q.iret, -12);
  EXPECT_EQ(u(q.words[0]), 0u);
  platform::testing::take_stdout();
  // 2e38 apart in 2 bits: the step 2^126 and codes 0 and 2, which the
  // reader rebuilds within half a step.
  const Packed r = pgrb({-1.0e38f, 1.0e38f}, 2, 1, 2);
  ASSERT_EQ(r.iret, 0);
  EXPECT_EQ(r.scale, std::ldexp(1.0f, 126));
  EXPECT_EQ(u(r.words[0]), 0x20000000u);
  std::vector<float> back(2);
  int iret = 99;
  dp_ugrb(r.words, 2, 2, r.ref, r.scale, back, iret);
  EXPECT_LE(std::fabs(static_cast<double>(back[1]) - 1.0e38), std::ldexp(1.0, 125));
}

TEST_F(GribPackTest, TinyRangeStopsAtSafeExponent) {
  const Packed p = pgrb({0.0f, 1.0e-38f}, 2, 1, 31);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.scale, std::ldexp(1.0f, -127));  // still a real other than 0
  std::vector<float> back(2);
  int iret = 99;
  dp_ugrb(p.words, 2, 31, p.ref, p.scale, back, iret);
  EXPECT_NEAR(back[1], 1.0e-38f, 0.5 * p.scale);
  EXPECT_EQ(back[0], 0.0f);
}

TEST_F(GribPackTest, UnpackRefusals) {
  std::vector<int> words(4, 0);
  std::vector<float> grid(4);
  int iret = 99;
  dp_ugrb(words, 4, 0, 0.0f, 1.0f, grid, iret);
  EXPECT_EQ(iret, -10);
  dp_ugrb(words, 0, 8, 0.0f, 1.0f, grid, iret);
  EXPECT_EQ(iret, -11);
  dp_ugrb(words, 5, 8, 0.0f, 1.0f, grid, iret);
  EXPECT_EQ(iret, -13);
  dp_ugrb(std::span<const int>(words).first(1), 4, 16, 0.0f, 1.0f, grid, iret);
  EXPECT_EQ(iret, -13);
}

TEST_F(GribPackTest, RoundTripAtEveryWidth) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<float> dist(-250.0f, 1750.0f);
  const int kx = 13, ky = 7;
  for (int nbits = 2; nbits <= 31; ++nbits) {
    std::vector<float> grid(kx * ky);
    for (auto& v : grid) v = dist(gen);
    grid[5] = kMiss;
    grid[40] = -9999.09f;
    std::vector<int> words(grid.size());
    int lendat = 0, iret = 99;
    float ref = 0, scale = 0;
    dp_pgrb(grid, kx, ky, nbits, words, lendat, ref, scale, iret);
    ASSERT_EQ(iret, 0);
    ASSERT_EQ(lendat, (kx * ky * nbits + 31) / 32);
    std::vector<float> back(grid.size());
    dp_ugrb(words, kx * ky, nbits, ref, scale, back, iret);
    ASSERT_EQ(iret, 0);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      if (i == 5 || i == 40) {
        ASSERT_EQ(back[i], kMiss);
        continue;
      }
      ASSERT_NEAR(back[i], grid[i], 0.5 * scale + 2.5e-7 * 2000) << nbits << " " << i;
    }
  }
}

}  // namespace
