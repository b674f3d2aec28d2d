// Text to integers and integers to text. st_intg and st_numb see at most 12
// characters, st_c2i a 160-character cleaned list, st_inch a 10-character field.
#include "strings/st.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "strings/field.h"

namespace {

constexpr int kMissing = -9999;
constexpr int kNotANumber = -2;
constexpr std::size_t kNumberWidth = 12;
constexpr std::size_t kListWidth = 160;
constexpr std::size_t kIntegerTextWidth = 10;

// An optional sign and digits filling all of `text`. Digits beyond the range of
// a 32-bit word wrap modulo 2^32 (accumulated unsigned, so without overflow).
bool read_signed_digits(std::string_view text, int& ival) {
  if (text.empty()) return false;
  bool negative = text[0] == '-';
  std::size_t start = (text[0] == '+' || text[0] == '-') ? 1 : 0;
  if (text.size() <= start) return false;
  std::uint32_t value = 0;
  for (std::size_t i = start; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10u + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) value = 0u - value;
  ival = static_cast<int>(value);  // modular conversion: the wrapped 32-bit value
  return true;
}

}  // namespace

void st_intg(std::string_view string, int& ival, int& iret) {
  iret = kNotANumber;
  ival = kMissing;
  std::string_view seen = string.substr(0, kNumberWidth);
  int value = 0;
  if (!read_signed_digits(seen, value)) return;
  ival = value;
  iret = 0;
}

void st_numb(std::string_view string, int& ival, int& iret) {
  iret = kNotANumber;
  ival = kMissing;
  std::array<char, kNumberWidth> buf;
  int length = 0;
  int ier = 0;
  st_rmbl(string, buf, length, ier);
  // Only 12 characters fit the buffer: a longer text is not a number.
  if (length > static_cast<int>(kNumberWidth)) return;
  auto lens = static_cast<std::size_t>(length);
  if (lens > 0 && buf[lens - 1] == '.') --lens;
  int value = 0;
  if (!read_signed_digits(std::string_view(buf.data(), lens), value)) return;
  ival = value;
  iret = 0;
}

void st_c2i(std::string_view string, int maxnum, std::span<int> iarray, int& num, int& iret) {
  num = 0;
  iret = 0;
  std::array<char, kListWidth> buf;
  int length = 0;
  int ier = 0;
  st_rnan(string, buf, length, ier);
  if (length <= 0) {
    iret = -1;
    return;
  }
  // Never write past the caller's array, whatever maxnum says.
  std::size_t capacity = maxnum > 0 ? static_cast<std::size_t>(maxnum) : 0;
  if (capacity > iarray.size()) capacity = iarray.size();
  std::string_view list(buf.data(), static_cast<std::size_t>(length));
  std::size_t ip = 0;
  while (ip < list.size()) {
    std::size_t blank = list.find(' ', ip);
    if (blank == std::string_view::npos) blank = list.size();
    if (static_cast<std::size_t>(num) >= capacity) {
      iret = 1;
      return;
    }
    int ival = 0;
    st_numb(list.substr(ip, blank - ip), ival, ier);
    iarray[static_cast<std::size_t>(num)] = ival;
    ++num;
    if (ier != 0) iret = -2;
    ip = blank + 1;
  }
}

void st_inch(int ival, std::span<char> outfld, int& iret) {
  iret = 0;
  strings::copy_field("", outfld);
  // Right-justified in ten characters; a value needing more shows as asterisks.
  std::array<char, 16> digits;
  auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), ival);
  std::array<char, kIntegerTextWidth> buf;
  buf.fill(' ');
  if (ec != std::errc()) {
    iret = -2;
    std::string_view missing = "-9999";
    strings::copy_field(missing, std::span<char>(buf).last(missing.size()));
  } else {
    auto ndigits = static_cast<std::size_t>(end - digits.data());
    if (ndigits > buf.size()) {
      buf.fill('*');
    } else {
      strings::copy_field(std::string_view(digits.data(), ndigits),
                          std::span<char>(buf).last(ndigits));
    }
  }
  int nc = 0;
  int ier = 0;
  st_ldsp(std::string_view(buf.data(), buf.size()), outfld, nc, ier);
}
