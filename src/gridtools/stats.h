// Statistics of one grid's values: how many points are missing, not a number
// or infinite, and the minimum, maximum, mean and standard deviation of the
// rest. Nothing is skipped silently: every point lands in exactly one count.
#pragma once

#include <cstddef>
#include <span>

namespace gridtools {

struct GridStats {
  std::size_t points = 0;   // all points
  std::size_t missing = 0;  // the format's missing value (-9999, within its tolerance)
  std::size_t nan = 0;
  std::size_t infinite = 0;  // +inf and -inf
  std::size_t valid = 0;     // finite, not missing: the points the figures below describe
  // Over the valid points; meaningless when valid == 0.
  float min = 0, max = 0;
  double mean = 0;
  double stddev = 0;  // population standard deviation (divided by valid)
};

GridStats compute_stats(std::span<const float> values);

}  // namespace gridtools
