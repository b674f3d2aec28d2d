#include "pack/bitstream.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::uint32_t u(int w) {
  return std::bit_cast<std::uint32_t>(w);
}

// Code streams: MSB first, straddling words, unused bits 0 (the 12- and
// 16-bit layouts are checked through dp_pgrb).
TEST(CodeStreamTest, ThirtyBitCodeAcrossTwoWords) {
  std::vector<int> words(2, 0);
  pack::CodeWriter writer(words);
  writer.put(0x3FFFFFFF, 30);
  writer.put(0x2AAAAAAA, 30);  // 10 1010...: top 2 bits in word 1, the rest in word 2
  writer.finish();
  EXPECT_EQ(u(words[0]), 0xFFFFFFFEu);
  EXPECT_EQ(u(words[1]), 0xAAAAAAA0u);

  pack::CodeReader reader(words);
  EXPECT_EQ(reader.get(30), 0x3FFFFFFFu);
  EXPECT_EQ(reader.get(30), 0x2AAAAAAAu);
}

TEST(CodeStreamTest, ReaderInvertsWriterAtEveryWidth) {
  std::mt19937 gen(7);
  for (int nbits = 1; nbits <= 31; ++nbits) {
    const std::uint32_t mask = 0xFFFFFFFFu >> (32 - nbits);
    std::vector<std::uint32_t> codes(97);
    for (auto& c : codes) c = static_cast<std::uint32_t>(gen()) & mask;
    codes[0] = mask;
    std::vector<int> words((codes.size() * static_cast<std::size_t>(nbits) + 31) / 32, 0);
    pack::CodeWriter writer(words);
    for (auto c : codes) writer.put(c, nbits);
    writer.finish();
    EXPECT_EQ(writer.words_written(), words.size()) << nbits;
    const std::size_t used_bits = codes.size() * static_cast<std::size_t>(nbits) % 32;
    if (used_bits != 0) {
      EXPECT_EQ(u(words.back()) & (0xFFFFFFFFu >> used_bits), 0u) << nbits;
    }
    pack::CodeReader reader(words);
    for (auto c : codes) ASSERT_EQ(reader.get(nbits), c) << nbits;
  }
}

// Bit fields: counted from the least significant bit, continuing in the next word.
TEST(BitFieldTest, ThirtyBitFieldAtBitNineSplitsTwentyFourAndSix) {
  std::vector<int> words(2, 0);
  pack::put_field(words, 1, 1, 8, 0xFF);
  pack::put_field(words, 1, 9, 30, 0x2ABCDEF1);
  // Low 24 bits in bits 9..32 of word 1, high 6 bits in bits 1..6 of word 2.
  EXPECT_EQ(u(words[0]), 0xBCDEF1FFu);
  EXPECT_EQ(u(words[1]), 0x2Au);
  EXPECT_EQ(pack::get_field(words, 1, 9, 30), 0x2ABCDEF1u);
  EXPECT_EQ(pack::get_field(words, 1, 1, 8), 0xFFu);
}

}  // namespace
