// Characters packed four to a 32-bit word: the bytes go into the word's memory
// in reading order, so on a little-endian host the first character is the
// least significant byte. Short groups are padded with blanks.
#include "strings/st.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "strings/field.h"

namespace {

constexpr std::size_t kGroupWidth = 4;

int pack_group(std::string_view group) {
  std::array<char, kGroupWidth> buf;
  strings::copy_field(group, buf);
  std::int32_t word = 0;
  static_assert(sizeof(word) == kGroupWidth);
  std::memcpy(&word, buf.data(), kGroupWidth);
  return word;
}

}  // namespace

void st_ctoi(std::span<const std::string_view> carray, int nval, std::span<int> iarray, int& iret) {
  iret = 0;
  for (int i = 1; i <= nval; ++i) {
    auto k = static_cast<std::size_t>(i - 1);
    // A group the caller did not supply, or has no room for, cannot be read.
    if (k >= carray.size() || k >= iarray.size()) {
      iret = -2;
      continue;
    }
    iarray[k] = pack_group(carray[k]);
  }
}

void st_stoi(std::string_view string, int nchar, int& nval, std::span<int> iarray, int& iret) {
  iret = 0;
  if (nchar <= 0 || string.empty()) return;
  std::size_t ichars = static_cast<std::size_t>(nchar) < string.size()
                           ? static_cast<std::size_t>(nchar)
                           : string.size();
  std::size_t nwords = (ichars - 1) / kGroupWidth + 1;
  nval = static_cast<int>(nwords);
  for (std::size_t k = 0; k < nwords; ++k) {
    if (k >= iarray.size()) {
      iret = -2;
      break;
    }
    std::size_t first = k * kGroupWidth;
    std::size_t count = ichars - first < kGroupWidth ? ichars - first : kGroupWidth;
    iarray[k] = pack_group(string.substr(first, count));
  }
}
