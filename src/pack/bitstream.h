// Bit streams of packed data, both layouts the packers use:
//  - Code streams (grid packings): fixed-width codes laid end to end, most
//    significant bit first. The first code fills the top bits of word 1; a code
//    that does not fit in the rest of a word puts its high bits in the low end
//    of that word and its low bits at the top of the next. Unused low bits of
//    the last word are 0.
//  - Bit fields (real-data records): a field of `nbits` bits starts at bit
//    `ibit1` (from 1, least significant) of word `iword`; a field passing bit
//    32 continues at bit 1 of the next word (its high bits there).
// Words are 32-bit integers; all bit work is done on std::uint32_t.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pack {

// Writes codes MSB first into consecutive words. REQUIRES: the span holds
// packed_words(count, nbits) words; every code fits in nbits bits.
class CodeWriter {
 public:
  explicit CodeWriter(std::span<int> words) : words_(words) {}

  void put(std::uint32_t code, int nbits) {
    acc_ = (acc_ << nbits) | code;
    nacc_ += nbits;
    if (nacc_ >= 32) {
      nacc_ -= 32;
      words_[pos_++] = std::bit_cast<int>(static_cast<std::uint32_t>(acc_ >> nacc_));
    }
  }
  // Flushes a partly filled last word, its unused low bits 0.
  void finish() {
    if (nacc_ > 0) {
      words_[pos_++] = std::bit_cast<int>(static_cast<std::uint32_t>(acc_ << (32 - nacc_)));
      nacc_ = 0;
    }
  }
  std::size_t words_written() const { return pos_; }

 private:
  std::span<int> words_;
  std::size_t pos_ = 0;
  std::uint64_t acc_ = 0;  // pending bits in the low nacc_ bits
  int nacc_ = 0;
};

// Reads codes MSB first, the inverse of CodeWriter.
class CodeReader {
 public:
  explicit CodeReader(std::span<const int> words) : words_(words) {}

  std::uint32_t get(int nbits) {
    if (nacc_ < nbits) {
      acc_ = (acc_ << 32) | std::bit_cast<std::uint32_t>(words_[pos_++]);
      nacc_ += 32;
    }
    nacc_ -= nbits;
    return static_cast<std::uint32_t>(acc_ >> nacc_) & (0xFFFFFFFFu >> (32 - nbits));
  }

 private:
  std::span<const int> words_;
  std::size_t pos_ = 0;
  std::uint64_t acc_ = 0;
  int nacc_ = 0;
};

// ORs `code` into the field at (iword, ibit1, nbits); when the field passes bit
// 32, word iword + 1 is set (not ORed) to the code's high bits.
void put_field(std::span<int> words, int iword, int ibit1, int nbits, std::uint32_t code);
// Reads the field at (iword, ibit1, nbits).
std::uint32_t get_field(std::span<const int> words, int iword, int ibit1, int nbits);

}  // namespace pack
