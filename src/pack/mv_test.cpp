#include "pack/mv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::array<std::uint8_t, 4>;

// A word whose bytes in storage order are b.
int word_of(Bytes b) {
  int w = 0;
  std::memcpy(&w, b.data(), 4);
  return w;
}

Bytes bytes_of(int w) {
  Bytes b{};
  std::memcpy(b.data(), &w, 4);
  return b;
}

struct Row {
  Bytes ieee;
  Bytes vax;
  int count;
};

// Bytes in storage order; IEEE input big-endian, VAX output in VAX storage order.
const std::array<Row, 6> kTable{{
    {{0x3F, 0x80, 0x00, 0x00}, {0x80, 0x40, 0x00, 0x00}, 0},  // 1.0
    {{0xC0, 0x20, 0x00, 0x00}, {0x20, 0xC1, 0x00, 0x00}, 0},  // -2.5
    {{0x3D, 0xCC, 0xCC, 0xCD}, {0xCC, 0x3E, 0xCD, 0xCC}, 0},  // 0.1
    {{0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00}, 0},  // 0.0
    {{0x7F, 0x61, 0xB1, 0xE6}, {0x00, 0x00, 0x00, 0x00}, 1},  // 3.0e38
    {{0x00, 0x0A, 0xE3, 0x98}, {0x00, 0x00, 0x00, 0x00}, 0},  // 1.0e-39 (subnormal)
}};

TEST(MachineValueTest, ByteReversal) {
  std::array<int, 1> out{};
  EXPECT_EQ(mv_swp4(1, std::array{word_of({1, 2, 3, 4})}, out), 0);
  EXPECT_EQ(bytes_of(out[0]), (Bytes{4, 3, 2, 1}));

  const std::vector<int> input{0x12345678, -1, 0, static_cast<int>(0x80000001u), 42};
  std::vector<int> once(input.size()), twice(input.size());
  mv_swp4(5, input, once);
  mv_swp4(5, once, twice);
  EXPECT_EQ(twice, input);

  // n <= 0 leaves the output untouched; n past the arrays stops at their end.
  std::array<int, 2> keep{7, 8};
  mv_swp4(0, input, keep);
  mv_swp4(-3, input, keep);
  EXPECT_EQ(keep, (std::array<int, 2>{7, 8}));
  mv_swp4(10, std::array{word_of({1, 2, 3, 4})}, keep);
  EXPECT_EQ(bytes_of(keep[0]), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(keep[1], 8);
}

TEST(MachineValueTest, IeeeToVaxTable) {
  for (const Row& row : kTable) {
    std::array<int, 1> out{};
    EXPECT_EQ(mv_ev32(1, std::array{word_of(row.ieee)}, out), row.count);
    EXPECT_EQ(bytes_of(out[0]), row.vax);
  }
  // All at once, in place: the count adds up.
  std::vector<int> words;
  for (const Row& row : kTable) words.push_back(word_of(row.ieee));
  EXPECT_EQ(mv_ev32(6, words, words), 1);
  for (std::size_t i = 0; i < kTable.size(); ++i) EXPECT_EQ(bytes_of(words[i]), kTable[i].vax);
}

TEST(MachineValueTest, VaxToIeeeInvertsTheFiniteRows) {
  for (std::size_t i = 0; i < 4; ++i) {
    std::array<int, 1> out{};
    EXPECT_EQ(mv_ve32(1, std::array{word_of(kTable[i].vax)}, out), 0);
    EXPECT_EQ(bytes_of(out[0]), kTable[i].ieee) << i;
  }
}

TEST(MachineValueTest, ExponentEdges) {
  std::array<int, 1> out{};
  // Smallest normal IEEE value (exponent 1) converts to VAX exponent 3, and back.
  EXPECT_EQ(mv_ev32(1, std::array{word_of({0x00, 0x80, 0x00, 0x00})}, out), 0);
  EXPECT_EQ(bytes_of(out[0]), (Bytes{0x80, 0x01, 0x00, 0x00}));
  std::array<int, 1> back{};
  mv_ve32(1, out, back);
  EXPECT_EQ(bytes_of(back[0]), (Bytes{0x00, 0x80, 0x00, 0x00}));
  // IEEE exponent 254 (largest finite), 255 (infinity): 0 and counted.
  EXPECT_EQ(mv_ev32(1, std::array{word_of({0x7F, 0x00, 0x00, 0x01})}, out), 1);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(mv_ev32(1, std::array{word_of({0xFF, 0x80, 0x00, 0x00})}, out), 1);
  EXPECT_EQ(out[0], 0);
  // Negative zero becomes 0 without being counted.
  EXPECT_EQ(mv_ev32(1, std::array{word_of({0x80, 0x00, 0x00, 0x00})}, out), 0);
  EXPECT_EQ(out[0], 0);
  // VAX exponents 1 and 2 give 0; sign set with exponent 0 gives 0.
  mv_ve32(1, std::array{word_of({0x80, 0x00, 0x00, 0x00})}, out);  // exponent 1
  EXPECT_EQ(out[0], 0);
  mv_ve32(1, std::array{word_of({0x00, 0x01, 0x00, 0x00})}, out);  // exponent 2
  EXPECT_EQ(out[0], 0);
  mv_ve32(1, std::array{word_of({0x00, 0x80, 0x00, 0x00})}, out);  // sign, exponent 0
  EXPECT_EQ(out[0], 0);
  mv_ve32(1, std::array{word_of({0x80, 0x01, 0x00, 0x00})}, out);  // exponent 3 -> 1
  EXPECT_EQ(bytes_of(out[0]), (Bytes{0x00, 0x80, 0x00, 0x00}));
}

}  // namespace
