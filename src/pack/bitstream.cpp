// Bit fields of real-data records (the code streams are inline in the header).
#include "pack/bitstream.h"

namespace pack {

void put_field(std::span<int> words, int iword, int ibit1, int nbits, std::uint32_t code) {
  const auto first = static_cast<std::size_t>(iword - 1);
  // Bits shifted past bit 32 are lost here; they go to the next word below.
  const std::uint32_t low = code << (ibit1 - 1);
  words[first] = std::bit_cast<int>(std::bit_cast<std::uint32_t>(words[first]) | low);
  if (ibit1 + nbits - 1 > 32) {
    words[first + 1] = std::bit_cast<int>(code >> (33 - ibit1));
  }
}

std::uint32_t get_field(std::span<const int> words, int iword, int ibit1, int nbits) {
  const auto first = static_cast<std::size_t>(iword - 1);
  std::uint32_t value = std::bit_cast<std::uint32_t>(words[first]) >> (ibit1 - 1);
  if (ibit1 + nbits - 1 > 32) {
    value |= std::bit_cast<std::uint32_t>(words[first + 1]) << (33 - ibit1);
  }
  return value & (0xFFFFFFFFu >> (32 - nbits));
}

}  // namespace pack
