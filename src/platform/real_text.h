// One-pass conversion of the common forms of a real text to a float, for the
// free-form reads. Not for use outside platform/.
//
// A text [sign] digits [. digits] [(E|e|D|d) [sign] digits] with at most 19
// digits before the exponent is m x 10^p for an integer m. When m <= 2^53 and
// |p| <= 22 both m and 10^|p| are exact doubles, so one multiplication or
// division gives the double nearest to the value. Rounding that double to
// float gives the float nearest to the value, except when the double lies
// exactly halfway between two floats (the value may lie on either side of
// the halfway point): that case, and every other form, is left to the
// general conversion.
//
//   "286.928447"   m = 286928447, p = -6   286928447 / 1e6
//   "2.869284e+02" m = 2869284,   p = -4   2869284 / 1e4
//   "-1D2"         m = 1,         p = 2    -(1 x 1e2)
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace platform::detail {

inline bool is_item_separator(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

// Scans a real text from `first` and converts it as above. Returns where the
// text stops (the caller checks that an item ends there), or nullptr when the
// text is not of that form or the shortcut cannot round it.
inline const char* scan_real(const char* first, const char* last, float& value) {
  static constexpr std::array<double, 23> kPowers = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr int kMaxDigits = 19;  // 10^19 - 1 fits in 64 bits
  constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
  constexpr int kExponentCap = 100000;  // far beyond any float, no overflow

  const char* p = first;
  bool negative = false;
  if (p != last && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t m = 0;
  const char* digits = p;
  for (; p != last; ++p) {
    const auto digit = static_cast<unsigned>(static_cast<unsigned char>(*p) - '0');
    if (digit > 9) break;
    m = m * 10 + digit;
  }
  long ndigits = p - digits;
  long decimals = 0;
  if (p != last && *p == '.') {
    const char* fraction = ++p;
    for (; p != last; ++p) {
      const auto digit = static_cast<unsigned>(static_cast<unsigned char>(*p) - '0');
      if (digit > 9) break;
      m = m * 10 + digit;
    }
    decimals = p - fraction;
    ndigits += decimals;
  }
  if (ndigits == 0 || ndigits > kMaxDigits) return nullptr;  // m may have wrapped: not used
  int exponent = 0;
  if (p != last && ((*p | 0x20) == 'e' || (*p | 0x20) == 'd')) {
    ++p;
    bool exponent_negative = false;
    if (p != last && (*p == '-' || *p == '+')) exponent_negative = *p++ == '-';
    const char* exponent_digits = p;
    for (; p != last; ++p) {
      const auto digit = static_cast<int>(static_cast<unsigned char>(*p) - '0');
      if (digit < 0 || digit > 9) break;
      if (exponent < kExponentCap) exponent = exponent * 10 + digit;
    }
    if (p == exponent_digits) return nullptr;
    if (exponent_negative) exponent = -exponent;
  }
  double d = 0.0;
  if (m != 0) {
    const long p10 = exponent - decimals;
    if (m > kExactLimit || p10 < -22 || p10 > 22) return nullptr;
    const double scale = kPowers[static_cast<std::size_t>(p10 < 0 ? -p10 : p10)];
    d = p10 < 0 ? static_cast<double>(m) / scale : static_cast<double>(m) * scale;
    // Halfway between two floats: bit 28 of the double's fraction alone set
    // below the float's 23 fraction bits. The range here (1e-22 to 1e38) is
    // that of normal floats.
    constexpr std::uint64_t kBelowFloat = (std::uint64_t{1} << 29) - 1;
    constexpr std::uint64_t kHalfway = std::uint64_t{1} << 28;
    if ((std::bit_cast<std::uint64_t>(d) & kBelowFloat) == kHalfway) return nullptr;
  }
  const auto v = static_cast<float>(d);
  value = negative ? -v : v;
  return p;
}

}  // namespace platform::detail
