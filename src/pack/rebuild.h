// How a reader rebuilds a packed grid value, and the promise every grid packer
// keeps: each value comes back within half a step of what was packed, give or
// take the resolution of 32-bit reals at the grid's largest magnitude (one
// unit in the last place there: what no single-precision reader can
// resolve, as when a value lies exactly half a step between two codes). The
// packers choose their codes by the reader's own arithmetic, so the promise
// holds for the values as read, rounding included.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

#include "pack/numeric.h"

namespace pack {

// base + code * step with both operations in single precision: a GRIB-style
// or decimal value from its reference, or a difference from the smallest
// difference. The unpackers call this very function.
inline float rebuilt(std::uint32_t code, float base, float step) {
  const float offset = static_cast<float>(code) * step;
  return base + offset;
}

// One unit in the last place of 32-bit reals of magnitude m (the spacing of
// the reals just below 2^e for m in [2^(e-1), 2^e)); the smallest subnormal
// at least.
inline double resolution_at(double magnitude) {
  int exponent = 0;
  (void)std::frexp(std::fabs(magnitude), &exponent);
  return std::ldexp(1.0, exponent - 24 < -149 ? -149 : exponent - 24);
}

// Whether `got` lies within half a step of `want`, give or take `slack`
// (false for NaN or infinity).
inline bool within_half_step(float got, float want, float step, double slack) {
  return std::fabs(static_cast<double>(got) - static_cast<double>(want)) <=
         0.5 * static_cast<double>(step) + slack;
}

// The code in 0..top whose rebuilt value (base + code * step, then through
// `finish`, the reader's last operation) lies within half a step of `want`:
// `first` when it does, else the best of the codes around the exact quotient;
// nullopt when none of them does.
// `slack` is the resolution the promise allows.
template <class Finish>
std::optional<std::uint32_t> choose_code(float want, float base, float step, std::int64_t first,
                                         std::int64_t top, double slack, double target,
                                         Finish finish) {
  if (first >= 0 && first <= top &&
      within_half_step(finish(rebuilt(static_cast<std::uint32_t>(first), base, step)), want, step,
                       slack)) {
    return static_cast<std::uint32_t>(first);
  }
  const std::int64_t centre =
      nint((target - static_cast<double>(base)) / static_cast<double>(step));
  std::optional<std::uint32_t> best;
  double best_error = 0.0;
  for (std::int64_t code = centre - 1; code <= centre + 1; ++code) {
    if (code < 0 || code > top) continue;
    const float got = finish(rebuilt(static_cast<std::uint32_t>(code), base, step));
    if (!within_half_step(got, want, step, slack)) continue;
    const double error = std::fabs(static_cast<double>(got) - static_cast<double>(want));
    if (!best || error < best_error) {
      best = static_cast<std::uint32_t>(code);
      best_error = error;
    }
  }
  return best;
}

// The same for a value rebuilt as base + code * step alone.
inline std::optional<std::uint32_t> choose_code(float want, float base, float step,
                                                std::int64_t first, std::int64_t top,
                                                double slack) {
  return choose_code(want, base, step, first, top, slack, static_cast<double>(want),
                     [](float v) { return v; });
}

}  // namespace pack
