#include "plot/ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plot {

namespace {

// 1, 2 or 5 times a power of ten: the nearest to x, or (at_least) the
// smallest at or above x.
double nice_step(double x, bool at_least) {
  const double power = std::pow(10.0, std::floor(std::log10(x)));
  const double fraction = x / power;
  const double up_to_1 = at_least ? 1.0 : 1.5, up_to_2 = at_least ? 2.0 : 3.0,
               up_to_5 = at_least ? 5.0 : 7.0;
  double nice = 10;
  if (fraction <= up_to_1 + 1e-9) {
    nice = 1;
  } else if (fraction <= up_to_2 + 1e-9) {
    nice = 2;
  } else if (fraction <= up_to_5 + 1e-9) {
    nice = 5;
  }
  return nice * power;
}

std::string format(const char* pattern, int digits, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, digits, value);
  return text;
}

}  // namespace

Ticks nice_ticks(double lo, double hi, int target) {
  Ticks ticks;
  const double span = hi - lo;
  ticks.step = nice_step(span / std::max(1, target - 1), false);
  // Two ticks at least: a range narrower than its step, between two
  // multiples, takes the finer steps.
  for (int attempt = 0; attempt < 4; ++attempt) {
    ticks.values.clear();
    const double first = std::ceil(lo / ticks.step - 1e-9);
    const double last = std::floor(hi / ticks.step + 1e-9);
    for (double k = first; k <= last; ++k) {
      double v = k * ticks.step;
      if (std::abs(v) < ticks.step * 1e-9) v = 0;  // no "-0"
      ticks.values.push_back(std::clamp(v, lo, hi));
    }
    if (ticks.values.size() >= 2) break;
    ticks.step = nice_step(ticks.step / 2.5 * 0.999, true);
  }
  for (double v : ticks.values) ticks.labels.push_back(tick_label(v, ticks.step));
  return ticks;
}

std::string tick_label(double value, double step) {
  const double magnitude = std::max(std::abs(value), step);
  if (magnitude >= 1e7 || step < 1e-5) {
    const int digits = static_cast<int>(std::floor(std::log10(magnitude) + 1e-9) -
                                        std::floor(std::log10(step) + 1e-9));
    return format("%.*e", std::clamp(digits, 0, 15), value);
  }
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  return format("%.*f", decimals, value);
}

std::string value_text(double value) {
  std::string text = format("%.*g", 6, value);
  return text == "-0" ? "0" : text;
}

}  // namespace plot
