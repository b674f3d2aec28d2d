#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "pack/dp.h"

namespace {

class RealPackTest : public ::testing::Test {
 protected:
  void SetUp() override { pack::reset_descriptors(); }

  int make(std::vector<int> iscale, std::vector<int> iofset, std::vector<int> ibits) {
    int kdesc = 0, nwdrec = 0, iret = 99;
    dp_setp(static_cast<int>(ibits.size()), iscale, iofset, ibits, kdesc, nwdrec, iret);
    EXPECT_EQ(iret, 0);
    return kdesc;
  }
  static int pack1(int kdesc, std::vector<float> values) {
    std::array<int, 1> out{};
    int iret = 99;
    dp_pack(kdesc, values, out, iret);
    EXPECT_EQ(iret, 0);
    return out[0];
  }
};

TEST_F(RealPackTest, WorkedExample) {
  const int kdesc = make({-1, 0}, {0, -100}, {8, 10});
  EXPECT_EQ(pack1(kdesc, {12.34f, 5.0f}), 123 + 105 * 256);
  EXPECT_EQ(pack1(kdesc, {-9999.0f, 30.0f}), 255 + 130 * 256);
  EXPECT_EQ(pack1(kdesc, {30.0f, 2000.0f}), 255 + 1023 * 256);  // both out of range

  std::array<float, 2> back{};
  int iret = 99;
  dp_unpk(kdesc, std::array{123 + 105 * 256}, back, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_FLOAT_EQ(back[0], 12.3f);
  EXPECT_EQ(back[1], 5.0f);
  dp_unpk(kdesc, std::array{255 + 130 * 256}, back, iret);
  EXPECT_EQ(back[0], -9999.0f);
  EXPECT_EQ(back[1], 30.0f);
}

TEST_F(RealPackTest, CodeRangeAndRounding) {
  const int kdesc = make({0, 0, 0}, {0, 5, -10}, {4, 4, 4});
  // 14 = mask - 1 is kept; 15 rounds to the mask and reads as missing.
  EXPECT_EQ(pack1(kdesc, {14.0f, 5.0f, -10.0f}) & 0xF, 14);
  EXPECT_EQ(pack1(kdesc, {14.6f, 5.0f, -10.0f}) & 0xF, 15);
  // Rounded value 4 below the offset 5: negative code, missing.
  EXPECT_EQ((pack1(kdesc, {0.0f, 4.0f, -10.0f}) >> 4) & 0xF, 15);
  // Halves away from zero: -2.5 -> -3, code -3 + 10 = 7.
  EXPECT_EQ((pack1(kdesc, {0.0f, 5.0f, -2.5f}) >> 8) & 0xF, 7);
  EXPECT_EQ((pack1(kdesc, {0.0f, 5.0f, 2.5f}) >> 8) & 0xF, 13);
  // Missing tolerance: -9999.05 is missing, -9999.2 is an ordinary (negative) value.
  EXPECT_EQ(pack1(kdesc, {-9999.05f, 5.0f, -10.0f}) & 0xF, 15);
  const int kd2 = make({0}, {-10000}, {8});
  EXPECT_EQ(pack1(kd2, {-9999.2f}), 1);
  // NaN cannot be represented: missing code.
  EXPECT_EQ(pack1(kd2, {std::nanf("")}), 255);
}

TEST_F(RealPackTest, StraddlingFieldAndUntouchedWords) {
  const int kdesc = make({0, 0, 0}, {0, 0, 0}, {8, 30, 5});
  std::array<int, 4> out{-1, -1, -1, -1};
  int iret = 99;
  dp_pack(kdesc, std::array{1.0f, 1073741696.0f, 3.0f}, out, iret);
  ASSERT_EQ(iret, 0);
  // 1073741696 = 0x3FFFFF80: low 24 bits in bits 9..32 of word 1, high 6 in
  // bits 1..6 of word 2, then the 5-bit field at bit 7.
  EXPECT_EQ(static_cast<unsigned>(out[0]), 0xFFFF8001u);
  EXPECT_EQ(out[1], 0x3F | (3 << 6));
  EXPECT_EQ(out[2], -1);
  EXPECT_EQ(out[3], -1);
}

TEST_F(RealPackTest, ReleasedOrUnknownDescriptorWritesNothing) {
  const int kdesc = make({0}, {0}, {8});
  int iret = 0;
  dp_endp(kdesc, iret);
  std::array<int, 1> out{42};
  dp_pack(kdesc, std::array{1.0f}, out, iret);
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(out[0], 42);
  dp_pack(61, std::array{1.0f}, out, iret);
  EXPECT_EQ(iret, -1);
  std::array<float, 1> back{};
  dp_unpk(0, out, back, iret);
  EXPECT_EQ(iret, -1);
  const int k2 = make({0, 0}, {0, 0}, {8, 8});
  dp_pack(k2, std::array{1.0f}, out, iret);  // one value for two parameters
  EXPECT_EQ(iret, -13);
  EXPECT_EQ(out[0], 42);
}

TEST_F(RealPackTest, RoundTripAtEveryWidth) {
  std::mt19937 gen(11);
  for (int nbits = 1; nbits <= 31; ++nbits) {
    pack::reset_descriptors();
    // Three fields per record so that fields straddle words at most widths.
    const int kdesc = make({-2, 0, 1}, {0, -3, 2}, {nbits, nbits, nbits});
    // Codes up to just below the largest kept one (mask - 1), clear of the
    // single-precision rounding of the widest fields.
    const double top = (std::ldexp(1.0, nbits) - 2) * 0.99;
    const std::array<double, 3> step{0.01, 1.0, 10.0}, offset{0, -3, 2};
    for (int trial = 0; trial < 20; ++trial) {
      std::array<float, 3> values{};
      for (std::size_t p = 0; p < 3; ++p) {
        const double code = std::floor(std::uniform_real_distribution<double>(0, top)(gen));
        values[p] = static_cast<float>((code + offset[p]) * step[p]);
      }
      std::vector<int> words(3, 0);
      std::array<float, 3> back{};
      int iret = 99;
      dp_pack(kdesc, values, words, iret);
      ASSERT_EQ(iret, 0);
      dp_unpk(kdesc, words, back, iret);
      ASSERT_EQ(iret, 0);
      for (std::size_t p = 0; p < 3; ++p) {
        const double tol = 0.5 * step[p] + 4e-7 * std::fabs(values[p]);
        ASSERT_NEAR(back[p], values[p], tol) << "nbits " << nbits << " param " << p;
        ASSERT_NE(back[p], -9999.0f);
      }
    }
  }
}

}  // namespace
