#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "pack/dp.h"
#include "pack/rebuild.h"

namespace {

constexpr float kMiss = -9999.0f;

struct Packed {
  std::vector<int> words = std::vector<int>(8, 0x55555555);
  int lendat = -1;
  float ref = -1, difmin = -1, scale = -1;
  int iret = 99;
};

Packed pdif(const std::vector<float>& grid, int kx, int ky, int nbits) {
  Packed p;
  dp_pdif(grid, kx, ky, nbits, p.words, p.lendat, p.ref, p.difmin, p.scale, p.iret);
  return p;
}

std::vector<float> udif(const Packed& p, int kx, int ky, int nbits) {
  std::vector<float> back(static_cast<std::size_t>(kx * ky), 123.0f);
  int iret = 99;
  dp_udif(p.words, kx, ky, nbits, p.ref, p.difmin, p.scale, back, iret);
  EXPECT_EQ(iret, 0);
  return back;
}

unsigned u(int w) {
  return static_cast<unsigned>(w);
}

TEST(DiffPackTest, WorkedExample) {
  const std::vector<float> grid{1.0f, 2.0f, 4.0f, 2.0f, kMiss, 1.0f};
  const Packed p = pdif(grid, 3, 2, 4);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.lendat, 1);
  EXPECT_EQ(u(p.words[0]), 0x59E9F000u);
  EXPECT_EQ(p.ref, 1.0f);
  EXPECT_EQ(p.difmin, -1.0f);
  EXPECT_FLOAT_EQ(p.scale, 0.21428572f);
  EXPECT_EQ(u(p.words[1]), 0x55555555u);

  // Rebuilt from ref with differences -1 + code * 3/14: codes 9, 14, 9, 0 give
  // 13/14, 2, 13/14 and -1.
  const std::vector<float> back = udif(p, 3, 2, 4);
  const float p1 = 1.0f + 13.0f / 14;
  const std::vector<float> expected{1.0f, p1, p1 + 2.0f, p1, kMiss, p1 - 1.0f};
  for (std::size_t i = 0; i < grid.size(); ++i) EXPECT_NEAR(back[i], expected[i], 1e-6) << i;
}

TEST(DiffPackTest, MissingPointsAndTheRunningValues) {
  // Leading missing points: ref is the first non-missing point.
  Packed p = pdif({kMiss, 3.0f, 5.0f}, 3, 1, 4);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.ref, 3.0f);
  EXPECT_EQ(p.difmin, 0.0f);  // every difference non-negative
  EXPECT_EQ(u(p.words[0]), 0xF0E00000u);

  // A wholly missing line does not move plin: 8 is differenced against 5.
  p = pdif({5.0f, 6.0f, kMiss, kMiss, 8.0f, 9.0f}, 2, 3, 4);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(u(p.words[0]), 0x05FFE500u);  // diffs 0 1 - - 3 1 over a range of 3
  std::vector<float> back = udif(p, 2, 3, 4);
  EXPECT_NEAR(back[4], 8.0f, 1e-6);               // code 14: exactly 3 above 5
  EXPECT_NEAR(back[5], 8.0f + 15.0f / 14, 1e-6);  // code 5: 5 * 3 / 14
  EXPECT_EQ(back[2], kMiss);

  // A gap inside a line: 4 is differenced against 1.
  p = pdif({1.0f, kMiss, 4.0f, 6.0f}, 4, 1, 4);
  EXPECT_EQ(u(p.words[0]), 0x0FE90000u);

  // Two bits: codes 0..2, missing 3.
  p = pdif({0.0f, kMiss, 1.0f, 2.0f}, 4, 1, 2);
  EXPECT_EQ(u(p.words[0]), 0x3A000000u);
}

TEST(DiffPackTest, EqualValuesRebuildExactly) {
  const std::vector<float> grid{7.25f, 7.25f, kMiss, 7.25f};
  const Packed p = pdif(grid, 2, 2, 4);
  ASSERT_EQ(p.iret, 0);
  EXPECT_EQ(p.lendat, 1);
  EXPECT_EQ(u(p.words[0]), 0x00F00000u);
  EXPECT_EQ(p.ref, 7.25f);
  EXPECT_EQ(p.difmin, 0.0f);
  EXPECT_EQ(p.scale, 1.0f);
  EXPECT_EQ(udif(p, 2, 2, 4), grid);

  const Packed one = pdif({kMiss, 3.5f}, 2, 1, 8);  // a single value
  ASSERT_EQ(one.iret, 0);
  EXPECT_EQ(udif(one, 2, 1, 8), (std::vector<float>{kMiss, 3.5f}));
}

TEST(DiffPackTest, DifferenceNearMissingValueIsKept) {
  // 1.5 - 10000.5 = -9999 exactly: still an ordinary point, and the points
  // after it are rebuilt from it.
  const std::vector<float> grid{10000.5f, 1.5f, 2.5f, 10001.0f, 2.0f, 3.0f};
  const Packed p = pdif(grid, 3, 2, 16);
  ASSERT_EQ(p.iret, 0);
  const std::vector<float> back = udif(p, 3, 2, 16);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    EXPECT_NEAR(back[i], grid[i], 3 * p.scale) << i;
  }
}

// A constant polar row between varying ones: its differences along the row
// are all 0, but their codes rebuild 0 only to within half a step. Taken
// from the rebuilt points, the differences keep every point within half a
// step (taken from the input points, 110.0 came back as 110.87 at 12 bits).
TEST(DiffPackTest, ConstantRowComesBackWithinHalfAStep) {
  constexpr int kx = 360, ky = 5;
  std::vector<float> grid(kx * ky);
  for (int j = 0; j < ky; ++j) {
    for (int i = 0; i < kx; ++i) {
      grid[static_cast<std::size_t>(j * kx + i)] =
          j == 0 ? 110.0f : static_cast<float>(110.0 + 30.0 * std::sin(i * 0.05) * j);
    }
  }
  for (const int nbits : {2, 8, 12, 24, 31}) {
    std::vector<int> words(grid.size());
    Packed p;
    dp_pdif(grid, kx, ky, nbits, words, p.lendat, p.ref, p.difmin, p.scale, p.iret);
    ASSERT_EQ(p.iret, 0);
    std::vector<float> back(grid.size());
    int iret = 99;
    dp_udif(words, kx, ky, nbits, p.ref, p.difmin, p.scale, back, iret);
    ASSERT_EQ(iret, 0);
    for (std::size_t k = 0; k < grid.size(); ++k) {
      ASSERT_LE(std::fabs(static_cast<double>(back[k]) - grid[k]),
                0.5 * p.scale + pack::resolution_at(256.0))
          << nbits << " " << k;
    }
  }
}

// Differences beyond the largest real cannot be coded: refused, nothing kept.
TEST(DiffPackTest, DifferencesBeyondTheRealsAreRefused) {
  Packed p = pdif({-3.0e38f, 3.0e38f}, 2, 1, 8);
  EXPECT_EQ(p.iret, -12);
  EXPECT_EQ(u(p.words[0]), 0u);
  p = pdif({-1.0e38f, 1.0e38f, 0.0f}, 3, 1, 8);  // 2e38 is a real: kept
  ASSERT_EQ(p.iret, 0);
  const std::vector<float> back = udif(p, 3, 1, 8);
  EXPECT_LE(std::fabs(static_cast<double>(back[1]) - 1.0e38), 0.5 * p.scale);
}

TEST(DiffPackTest, Refusals) {
  Packed p = pdif({1.0f, 2.0f}, 2, 1, 1);
  EXPECT_EQ(p.iret, -10);
  EXPECT_EQ(pdif({1.0f, 2.0f}, 2, 1, 32).iret, -10);
  p = pdif({kMiss, -9999.05f}, 2, 1, 8);
  EXPECT_EQ(p.iret, -11);
  EXPECT_EQ(p.lendat, -1);  // nothing but iret written
  EXPECT_EQ(p.ref, -1.0f);
  EXPECT_EQ(u(p.words[0]), 0x55555555u);
  EXPECT_EQ(pdif({}, 0, 3, 8).iret, -11);
  EXPECT_EQ(pdif({1.0f}, 2, 1, 8).iret, -13);

  std::vector<int> words(1);
  std::vector<float> grid(4);
  int iret = 0;
  dp_udif(words, 2, 2, 1, 0, 0, 1, grid, iret);
  EXPECT_EQ(iret, -10);
  dp_udif(words, 0, 2, 8, 0, 0, 1, grid, iret);
  EXPECT_EQ(iret, -11);
  dp_udif(words, 2, 2, 16, 0, 0, 1, grid, iret);  // needs 2 words
  EXPECT_EQ(iret, -13);
}

TEST(DiffPackTest, RoundTripAtEveryWidth) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<float> dist(-40.0f, 60.0f);
  const int kx = 11, ky = 6;
  for (int nbits = 2; nbits <= 31; ++nbits) {
    std::vector<float> grid(kx * ky);
    for (auto& v : grid) v = dist(gen);
    grid[0] = kMiss;
    grid[17] = kMiss;
    for (int i = 0; i < kx; ++i) grid[static_cast<std::size_t>(3 * kx + i)] = kMiss;  // line 4
    std::vector<int> words(grid.size());
    Packed p;
    dp_pdif(grid, kx, ky, nbits, words, p.lendat, p.ref, p.difmin, p.scale, p.iret);
    ASSERT_EQ(p.iret, 0);
    ASSERT_EQ(p.lendat, (kx * ky * nbits + 31) / 32);
    std::vector<float> back(grid.size());
    int iret = 99;
    dp_udif(words, kx, ky, nbits, p.ref, p.difmin, p.scale, back, iret);
    ASSERT_EQ(iret, 0);
    for (int j = 0; j < ky; ++j) {
      for (int i = 0; i < kx; ++i) {
        const auto k = static_cast<std::size_t>(j * kx + i);
        if (grid[k] == kMiss) {
          ASSERT_EQ(back[k], kMiss);
          continue;
        }
        // Differences are taken from the rebuilt points: nothing adds up
        // along the chain. Half a step, give or take the resolution of the
        // reals of the differences (below 128).
        ASSERT_LE(std::fabs(static_cast<double>(back[k]) - grid[k]),
                  0.5 * p.scale + pack::resolution_at(127.0))
            << nbits << " " << k;
      }
    }
  }
}

}  // namespace
