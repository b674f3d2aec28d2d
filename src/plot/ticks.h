// Labelled values of a colour bar: round numbers ("nice" steps of 1, 2 or 5
// times a power of ten) inside a value range, and their texts.
#pragma once

#include <string>
#include <vector>

namespace plot {

struct Ticks {
  double step = 0;             // distance between ticks
  std::vector<double> values;  // ascending, each within [lo, hi]
  std::vector<std::string> labels;
};

// About `target` ticks (at least two where the range allows) at multiples of
// a nice step within [lo, hi]. REQUIRES: lo < hi, both finite.
Ticks nice_ticks(double lo, double hi, int target = 6);

// A value as a short text with the decimals that `step` needs: 0.25 with step
// 0.05 is "0.25", 1000 with step 500 is "1000"; very large or small steps use
// exponent notation.
std::string tick_label(double value, double step);

// A value for a legend or title: up to six significant digits, no trailing zeros.
std::string value_text(double value);

}  // namespace plot
