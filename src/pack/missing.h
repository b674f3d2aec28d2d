// The missing value of grid and real data, and the test every reader and
// packer applies to it.
#pragma once

#include <cmath>

namespace pack {

inline constexpr float kMissing = -9999.0f;
// The missing tolerance is single-precision 0.1 widened to double.
inline constexpr double kMissingTolerance = static_cast<double>(0.1f);
static_assert(kMissingTolerance == 0.10000000149011612);

// A value counts as missing when |value + 9999| (the sum in single precision)
// is below 0.1.
inline bool is_missing(float value) {
  const float sum = value - kMissing;
  return static_cast<double>(std::fabs(sum)) < kMissingTolerance;
}

}  // namespace pack
