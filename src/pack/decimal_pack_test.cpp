#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "pack/dp.h"

namespace {

constexpr float kMiss = -9999.0f;

struct Packed {
  std::vector<int> words = std::vector<int>(8, 0x55555555);
  int lendat = -1, mbits = -1;
  float ref = -1, scale = -1;
  int iret = 99;
};

Packed pdec(const std::vector<float>& grid, int ndec) {
  Packed p;
  dp_pdec(grid, static_cast<int>(grid.size()), 1, ndec, p.words, p.lendat, p.ref, p.scale, p.mbits,
          p.iret);
  return p;
}

unsigned u(int w) {
  return static_cast<unsigned>(w);
}

TEST(DecimalPackTest, WorkedExample) {
  const Packed p = pdec({10.0f, 12.5f, kMiss}, 1);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.mbits, 5);
  EXPECT_EQ(p.lendat, 1);
  EXPECT_EQ(u(p.words[0]), 0x067E0000u);  // codes 0, 25, 31 in 5 bits
  EXPECT_EQ(p.ref, 10.0f);
  EXPECT_EQ(p.scale, 0.1f);

  std::vector<float> back(3);
  int iret = 99;
  dp_ugrb(p.words, 3, p.mbits, p.ref, p.scale, back, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(back[0], 10.0f);
  EXPECT_FLOAT_EQ(back[1], 12.5f);
  EXPECT_EQ(back[2], kMiss);
}

TEST(DecimalPackTest, BitCountFollowsLargestCode) {
  // All values equal: one bit, codes 0 and missing 1.
  Packed p = pdec({3.0f, kMiss, 3.0f}, 2);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.mbits, 1);
  EXPECT_EQ(u(p.words[0]), 0x40000000u);

  EXPECT_EQ(pdec({0.0f, 2.55f}, 1).mbits, 5);  // idif = nint(25.5) + 1 = 27
  EXPECT_EQ(pdec({0.0f, 7.0f}, 0).mbits, 4);   // exact 7 = 2^3 - 1 needs 4 bits
  EXPECT_EQ(pdec({0.0f, 6.0f}, 0).mbits, 3);
  EXPECT_EQ(pdec({0.0f, 6.2f}, 0).mbits, 4);  // inexact product: 6 + 1

  p = pdec({0.0f, 1234.0f}, -2);  // idif = nint(12.34) + 1 = 13
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.mbits, 4);
  EXPECT_EQ(p.scale, 100.0f);
  EXPECT_EQ(u(p.words[0]) >> 24, 0x0Cu);  // codes 0 and 12

  // The widest range that still fits 31-bit codes.
  p = pdec({0.0f, 2147483520.0f}, 0);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.mbits, 31);
  EXPECT_EQ(p.lendat, 2);
}

TEST(DecimalPackTest, Refusals) {
  Packed p = pdec({kMiss, kMiss}, 2);
  EXPECT_EQ(p.iret, -11);
  EXPECT_EQ(p.scale, 100.0f);  // the multiplier, already written
  EXPECT_EQ(p.ref, 1.0e31f);
  EXPECT_EQ(p.lendat, -1);
  EXPECT_EQ(p.mbits, -1);
  EXPECT_EQ(pdec({}, 2).iret, -11);

  // Codes would need more than 31 bits.
  p = pdec({0.0f, 2147483648.0f}, 0);
  EXPECT_EQ(p.iret, -12);
  EXPECT_EQ(p.lendat, -1);
  EXPECT_EQ(u(p.words[0]), 0x55555555u);
  EXPECT_EQ(pdec({-1.0e10f, 1.0e10f}, 0).iret, -12);
  EXPECT_EQ(pdec({0.0f, 1.0f}, 12).iret, -12);
  // Steps with no single-precision value or reciprocal.
  EXPECT_EQ(pdec({1.0f, 1.0f}, 39).iret, -12);
  EXPECT_EQ(pdec({1.0f, 1.0f}, -46).iret, -12);

  std::vector<int> words(1);
  int lendat = 0, mbits = 0, iret = 0;
  float ref = 0, scale = 0;
  const std::vector<float> grid(64, 1.0f);
  dp_pdec(grid, 8, 9, 1, words, lendat, ref, scale, mbits, iret);  // grid too short
  EXPECT_EQ(iret, -13);
  const std::vector<float> ramp{0.0f, 100.0f, 0.0f, 100.0f};
  dp_pdec(ramp, 4, 1, 0, words, lendat, ref, scale, mbits, iret);  // 4 x 7 bits fit
  EXPECT_EQ(iret, 0);
  dp_pdec(ramp, 4, 1, 2, words, lendat, ref, scale, mbits, iret);  // 4 x 14 bits do not
  EXPECT_EQ(iret, -13);
}

TEST(DecimalPackTest, RoundTripWithinHalfAStep) {
  std::mt19937 gen(9);
  for (int ndec = -2; ndec <= 4; ++ndec) {
    const double step = std::pow(10.0, -ndec);
    std::uniform_real_distribution<float> dist(-300.0f, 900.0f);
    std::vector<float> grid(200);
    for (auto& v : grid) v = dist(gen);
    grid[10] = kMiss;
    std::vector<int> words(grid.size());
    int lendat = 0, mbits = 0, iret = 99;
    float ref = 0, scale = 0;
    dp_pdec(grid, 20, 10, ndec, words, lendat, ref, scale, mbits, iret);
    ASSERT_EQ(iret, 0) << ndec;
    std::vector<float> back(grid.size());
    dp_ugrb(words, 200, mbits, ref, scale, back, iret);
    ASSERT_EQ(iret, 0);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      if (i == 10) {
        ASSERT_EQ(back[i], kMiss);
        continue;
      }
      // Half a step, give or take the resolution of reals below 1024.
      ASSERT_LE(std::fabs(static_cast<double>(back[i]) - grid[i]),
                0.5 * scale + std::ldexp(1.0, -14))
          << ndec << " " << i;
    }
    EXPECT_NEAR(scale, step, 1e-6 * step);
  }
}

// A step finer than single precision resolves the values: codes of 29 bits
// for a tenth between -16000001 and 16000001 take more bits than a real
// holds exactly, and 16000001 would come back more than half a step and a
// unit of the reals there off. Refused, nothing written.
TEST(DecimalPackTest, StepFinerThanTheValuesIsRefused) {
  const std::vector<float> grid{-16000001.0f, 16000001.0f};
  std::vector<int> words(4, 0x55555555);
  int lendat = -1, mbits = -1, iret = 99;
  float ref = 0, scale = 0;
  dp_pdec(grid, 2, 1, 1, words, lendat, ref, scale, mbits, iret);
  EXPECT_EQ(iret, -14);
  EXPECT_EQ(lendat, -1);
  EXPECT_EQ(static_cast<unsigned>(words[0]), 0x55555555u);
  dp_pdec(grid, 2, 1, 0, words, lendat, ref, scale, mbits, iret);
  EXPECT_EQ(iret, 0);
}

}  // namespace
