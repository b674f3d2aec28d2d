// What turns the values a netCDF variable stores into grid values: scale
// and offset, fill and missing values, the valid range.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/ncfile.h"

namespace nc {

// What turns a stored value into a grid value.
struct Unpacking {
  double scale = 1, offset = 0;
  std::vector<double> missing;  // stored values that mean "missing"
  double valid_min = -std::numeric_limits<double>::infinity();
  double valid_max = std::numeric_limits<double>::infinity();

  // The grid value of a stored value: missing for NaN, a missing or fill
  // value, or a value outside the valid range; missing too, with
  // out_of_range set, when the unpacked value does not fit a 32-bit real.
  float value(double raw, bool& out_of_range) const {
    if (std::isnan(raw) || raw < valid_min || raw > valid_max) return gridfile::kMissing;
    for (double m : missing) {
      if (raw == m) return gridfile::kMissing;
    }
    const double v = raw * scale + offset;
    if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) {
      out_of_range = true;
      return gridfile::kMissing;
    }
    return static_cast<float>(v);
  }
};

// The unpacking of variable v, from its attributes; refused when they
// contradict themselves or are not numbers.
gridfile::Result<Unpacking> read_unpacking(const NcFile& f, int v);

}  // namespace nc
