#include "gridtools/stats.h"

#include <cmath>

#include "gridfile/gridfile.h"

namespace gridtools {

GridStats compute_stats(std::span<const float> values) {
  GridStats s;
  s.points = values.size();
  // Welford's update keeps the variance accurate for values far from zero
  // (pressures near 101325 Pa would lose digits in a sum of squares).
  double m2 = 0;
  for (const float v : values) {
    if (std::isnan(v)) {
      ++s.nan;
    } else if (std::isinf(v)) {
      ++s.infinite;
    } else if (gridfile::is_missing(v)) {
      ++s.missing;
    } else {
      if (s.valid == 0 || v < s.min) s.min = v;
      if (s.valid == 0 || v > s.max) s.max = v;
      ++s.valid;
      const double d = static_cast<double>(v) - s.mean;
      s.mean += d / static_cast<double>(s.valid);
      m2 += d * (static_cast<double>(v) - s.mean);
    }
  }
  if (s.valid > 0) s.stddev = std::sqrt(m2 / static_cast<double>(s.valid));
  return s;
}

}  // namespace gridtools
