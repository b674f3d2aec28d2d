// Machine value conversion of 32-bit words: byte reversal, and IEEE single
// precision <-> VAX F-floating. All bit work is done on std::uint32_t.
#include "pack/mv.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::uint32_t kFractionMask = 0x007FFFFFu;
constexpr std::uint32_t kMagnitudeMask = 0x7FFFFFFFu;
constexpr std::uint32_t kHalfwordByteMask = 0x00FF00FFu;
constexpr std::uint32_t kSignBit = 0x80000000u;
constexpr std::uint32_t kVaxExponentBias = 2;  // VAX exponent = IEEE exponent + 2

std::uint32_t reverse_bytes(std::uint32_t w) {
  return (w >> 24) | ((w >> 8) & 0x0000FF00u) | ((w << 8) & 0x00FF0000u) | (w << 24);
}

// Exchanges the two bytes of each 16-bit half.
std::uint32_t swap_halfword_bytes(std::uint32_t w) {
  return ((w & kHalfwordByteMask) << 8) | ((w >> 8) & kHalfwordByteMask);
}

std::uint32_t word_at(std::span<const int> words, int i) {
  return std::bit_cast<std::uint32_t>(words[static_cast<std::size_t>(i)]);
}

void set_word(std::span<int> words, int i, std::uint32_t w) {
  words[static_cast<std::size_t>(i)] = std::bit_cast<int>(w);
}

// Words to convert: n, but never past the end of either array.
int word_count(int n, std::span<const int> input, std::span<int> output) {
  const std::size_t limit = std::min(input.size(), output.size());
  return n <= 0 ? 0 : static_cast<int>(std::min(static_cast<std::size_t>(n), limit));
}

}  // namespace

int mv_swp4(int n, std::span<const int> input, std::span<int> output) {
  for (int i = 0, count = word_count(n, input, output); i < count; ++i)
    set_word(output, i, reverse_bytes(word_at(input, i)));
  return 0;
}

int mv_ev32(int n, std::span<const int> input, std::span<int> output) {
  int nbad = 0;
  for (int i = 0, count = word_count(n, input, output); i < count; ++i) {
    std::uint32_t itemp = reverse_bytes(word_at(input, i));
    const std::uint32_t isign = itemp & kSignBit;
    itemp &= kMagnitudeMask;
    const std::uint32_t ieeexp = itemp >> 23;
    std::uint32_t vax = 0;
    if (ieeexp != 0) {  // zero and subnormal values become 0
      const std::uint32_t vaxexp = ieeexp + kVaxExponentBias;
      if (vaxexp > 255) {  // largest finite values, infinities, NaNs
        ++nbad;
      } else {
        vax = swap_halfword_bytes((itemp & kFractionMask) | (vaxexp << 23) | isign);
      }
    }
    set_word(output, i, reverse_bytes(vax));
  }
  return nbad;
}

int mv_ve32(int n, std::span<const int> input, std::span<int> output) {
  for (int i = 0, count = word_count(n, input, output); i < count; ++i) {
    std::uint32_t itemp = swap_halfword_bytes(reverse_bytes(word_at(input, i)));
    std::uint32_t ieee = 0;
    const std::uint32_t isign = itemp & kSignBit;
    itemp &= kMagnitudeMask;
    const std::uint32_t vaxexp = itemp >> 23;
    // VAX exponents 0, 1 and 2 have no normal IEEE counterpart: the word becomes 0.
    if (vaxexp > kVaxExponentBias) {
      ieee = (itemp & kFractionMask) | ((vaxexp - kVaxExponentBias) << 23) | isign;
    }
    set_word(output, i, reverse_bytes(ieee));
  }
  return 0;
}
