// Number rules shared by the packers: the missing-value test (pack/missing.h),
// rounding to the nearest integer, powers of two and ten, packed stream lengths.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "pack/missing.h"

namespace pack {

static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);

// Bound of the saturating rounding: far outside every code range, yet an
// int32 offset can still be added or subtracted without overflow.
inline constexpr std::int64_t kRoundLimit = std::int64_t{1} << 62;

// Nearest integer, halves away from zero, exact for every double. NaN and
// values beyond +-2^62 saturate (NaN to -2^62), so callers can range-check
// the result without undefined conversions.
inline std::int64_t nint(double x) {
  constexpr double kLimit = 4611686018427387904.0;  // 2^62
  if (!(x > -kLimit)) return -kRoundLimit;          // also NaN
  if (!(x < kLimit)) return kRoundLimit;
  const auto whole = static_cast<std::int64_t>(x);     // truncated toward zero
  const double frac = x - static_cast<double>(whole);  // exact
  // Without branches: fractions of packed data are as good as random.
  return whole + static_cast<std::int64_t>(frac >= 0.5) - static_cast<std::int64_t>(frac <= -0.5);
}

// 2^n as a double (exact for the exponents the packers use).
inline double pow2(int n) {
  return std::ldexp(1.0, n);
}

// 10^n computed in double precision (a negative n gives the reciprocal power).
inline double pow10(int n) {
  return std::pow(10.0, static_cast<double>(n));
}

// Words taken by kxky codes of nbits bits laid end to end: the bit total
// rounded up to whole 32-bit words.
inline std::int64_t packed_words(std::int64_t kxky, int nbits) {
  const std::int64_t total = kxky * nbits;
  return total / 32 + (total % 32 != 0 ? 1 : 0);
}

// Number of grid points, or 0 when either dimension is not positive.
inline std::int64_t grid_points(int kx, int ky) {
  if (kx <= 0 || ky <= 0) return 0;
  return std::int64_t{kx} * std::int64_t{ky};
}

// The all-ones code of an nbits-wide field (nbits 1..31).
inline std::uint32_t all_ones(int nbits) {
  return 0xFFFFFFFFu >> (32 - nbits);
}

}  // namespace pack

namespace pack {

// Smallest and largest non-missing value of the first kxky points, with strict
// comparisons from the start values 1.0e31 and -1.0e31 (qmax < ref afterwards
// when there is none).
inline void value_range(const float* grid, std::int64_t kxky, float& ref, float& qmax) {
  ref = 1.0e31f;
  qmax = -1.0e31f;
  for (std::int64_t i = 0; i < kxky; ++i) {
    const float value = grid[i];
    if (is_missing(value)) continue;
    if (value < ref) ref = value;
    if (value > qmax) qmax = value;
  }
}

// Code of a scaled value (value - ref) * multiplier, rounded to single
// precision: nint of it, or `overflow` when it does not fall in 0..top (NaN
// included). Callers pass the missing code as overflow.
inline std::uint32_t scaled_code(double scaled, std::int64_t top, std::uint32_t overflow) {
  const std::int64_t code = nint(static_cast<float>(scaled));
  if (code < 0 || code > top) return overflow;
  return static_cast<std::uint32_t>(code);
}

}  // namespace pack
