#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "strings/st.h"

namespace {

// The word whose memory holds the bytes a, b, c, d in order (little-endian host).
int WordOf(char a, char b, char c, char d) {
  auto u = static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
  return static_cast<int>(u);
}

TEST(CharacterWordsTest, GroupsToWordsFirstCharacterLowest) {
  const std::array<std::string_view, 4> names = {"GRID", "AB", "NAVBXYZ", ""};
  std::array<int, 4> words{};
  int iret = -1;
  st_ctoi(names, 4, words, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(words[0], 0x44495247);  // "GRID": G=0x47 in the lowest byte
  EXPECT_EQ(words[1], WordOf('A', 'B', ' ', ' '));
  EXPECT_EQ(words[2], WordOf('N', 'A', 'V', 'B'));
  EXPECT_EQ(words[3], 0x20202020);
  EXPECT_EQ(WordOf('\xff', 'A', 'A', '\x80'), static_cast<int>(0x804141ffu));
  std::array<int, 2> bytes{};
  const std::array<std::string_view, 1> high = {
      "\xff"
      "AA\x80"};
  st_ctoi(high, 1, bytes, iret);
  EXPECT_EQ(bytes[0], static_cast<int>(0x804141ffu));

  // More groups asked for than supplied: the rest cannot be read.
  std::array<int, 3> out{7, 7, 7};
  st_ctoi(std::span(names).first(1), 3, out, iret);
  EXPECT_EQ(iret, -2);
  EXPECT_EQ(out[0], 0x44495247);
  EXPECT_EQ(out[1], 7);
}

TEST(CharacterWordsTest, StringToWords) {
  std::array<int, 4> words{};
  int nval = -1, iret = -1;
  st_stoi("ABCDEF", 6, nval, words, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(nval, 2);
  EXPECT_EQ(words[0], WordOf('A', 'B', 'C', 'D'));
  EXPECT_EQ(words[1], WordOf('E', 'F', ' ', ' '));

  st_stoi("ABCDEFGH", 4, nval, words, iret);  // exactly one group
  EXPECT_EQ(nval, 1);
  st_stoi("ABCDEFGHI", 9, nval, words, iret);  // one beyond a group
  EXPECT_EQ(nval, 3);
  EXPECT_EQ(words[2], WordOf('I', ' ', ' ', ' '));
  st_stoi("ABC", 40, nval, words, iret);  // nchar beyond the width
  EXPECT_EQ(nval, 1);
  EXPECT_EQ(words[0], WordOf('A', 'B', 'C', ' '));

  nval = 99;
  st_stoi("ABC", 0, nval, words, iret);  // nothing to do: nval untouched
  EXPECT_EQ(nval, 99);
  EXPECT_EQ(iret, 0);
  st_stoi("", 4, nval, words, iret);
  EXPECT_EQ(nval, 99);

  std::array<int, 1> one{};
  st_stoi("ABCDEF", 6, nval, one, iret);  // no room for the second word
  EXPECT_EQ(iret, -2);
  EXPECT_EQ(nval, 2);
  EXPECT_EQ(one[0], WordOf('A', 'B', 'C', 'D'));
}

}  // namespace
