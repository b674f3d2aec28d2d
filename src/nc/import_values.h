// What turns the values a netCDF variable stores into grid values: unsigned
// integers stored in signed types, scale and offset, fill and missing values,
// the valid range, and a conversion into the units of the parameter table.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/ncfile.h"
#include "nc/unit_conversion.h"

namespace nc {

// Values that became missing for a reason the user should hear of.
struct ValueNotes {
  bool nan = false;           // stored NaN
  bool out_of_range = false;  // beyond the range of 32-bit reals once unpacked
};

// What turns a stored value into a grid value.
struct Unpacking {
  // 2^bits for a signed integer type holding unsigned values
  // (_Unsigned = "true"): negative stored values mean value + wrap. 0 else.
  double wrap = 0;
  double scale = 1, offset = 0;
  std::vector<double> missing;  // stored values (unsigned when wrapped) that mean "missing"
  double valid_min = -std::numeric_limits<double>::infinity();
  double valid_max = std::numeric_limits<double>::infinity();
  Affine convert;  // into the units of the parameter the grid is filed as

  // The grid value of a stored value: missing for NaN, a missing or fill
  // value, or a value outside the valid range; missing too, noted, when the
  // value does not fit a 32-bit real. The sign of zero is kept.
  float value(double raw, ValueNotes& notes) const {
    if (std::isnan(raw)) {
      notes.nan = true;
      return gridfile::kMissing;
    }
    if (wrap != 0 && raw < 0) raw += wrap;
    if (raw < valid_min || raw > valid_max) return gridfile::kMissing;
    for (double m : missing) {
      if (raw == m) return gridfile::kMissing;
    }
    double v = raw * scale;
    if (offset != 0) v += offset;  // -0.0 + 0 would lose the sign
    if (!convert.identity()) v = v * convert.scale + convert.offset;
    if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) {
      notes.out_of_range = true;
      return gridfile::kMissing;
    }
    return static_cast<float>(v);
  }
};

// The unpacking of variable v, from its attributes; refused when they
// contradict themselves or are not numbers.
gridfile::Result<Unpacking> read_unpacking(const NcFile& f, int v);

}  // namespace nc
