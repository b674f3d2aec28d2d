#include "plot/ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plot {

namespace {

// The smallest of 1, 2, 5 (times a power of ten) at or above x.
double nice_step_at_least(double x) {
  const double power = std::pow(10.0, std::floor(std::log10(x)));
  const double fraction = x / power;
  double nice = 10;
  if (fraction <= 1.0 + 1e-9) {
    nice = 1;
  } else if (fraction <= 2.0 + 1e-9) {
    nice = 2;
  } else if (fraction <= 5.0 + 1e-9) {
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
  ticks.step = nice_step_at_least(span / std::max(1, target - 1));
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
    ticks.step = nice_step_at_least(ticks.step / 2.5 * 0.999);
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
