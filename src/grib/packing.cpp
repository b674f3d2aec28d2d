// Packing and unpacking through ecCodes. The packing is set before the
// values, so that ecCodes packs them once, with the bits or decimal digits
// asked for; missing points go into the bitmap.
#include "grib/packing.h"

#include <eccodes.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "grib/codes.h"

namespace grib {

std::string packing_type(std::string_view type) {
  if (type == "simple") return "grid_simple";
  if (type == "complex") return "grid_complex_spatial_differencing";
  if (type == "ccsds") return "grid_ccsds";
  if (type == "ieee") return "grid_ieee";
  return {};
}

bool ccsds_available() {
  static const bool available = [] {
    Handle h = new_message();
    if (!h) return false;
    Keys k(h.get());
    k.set("packingType", std::string("grid_ccsds"));
    const std::vector<double> values = {1.0, 2.0, 3.0};
    k.set("values", std::span<const double>(values));
    return k.status().ok();
  }();
  return available;
}

namespace {

// The bits that hold every value to `digits` decimal digits; nullopt beyond 31.
std::optional<int> decimal_bits(std::span<const double> values, int digits) {
  double lo = 0, hi = 0;
  bool any = false;
  for (double v : values) {
    if (v == gridfile::kMissing) continue;
    lo = any ? std::min(lo, v) : v;
    hi = any ? std::max(hi, v) : v;
    any = true;
  }
  const double steps = std::ceil((hi - lo) * std::pow(10.0, digits));
  const int bits = steps < 1 ? 1 : static_cast<int>(std::ceil(std::log2(steps + 1)));
  if (!std::isfinite(steps) || bits > 31) return std::nullopt;
  return bits;
}

}  // namespace

gridfile::Status prepare_values(grib_handle* h, std::size_t points) {
  std::vector<double> ramp(points);
  for (std::size_t p = 0; p < points; ++p) ramp[p] = static_cast<double>(p % 1000);
  Keys k(h);
  k.set("packingType", std::string("grid_simple"));
  k.set("bitsPerValue", static_cast<long>(kDefaultBits));
  k.set("values", std::span<const double>(ramp));
  return k.status();
}

gridfile::Status write_values(grib_handle* h, const PackingChoice& choice,
                              std::span<const double> values, bool any_missing,
                              bool& packed_simple) {
  int bits = choice.bits.value_or(kDefaultBits);
  if (choice.decimal) {
    // Digits kept by binary scaling, with one bit more than the range needs
    // so that the step is at most 10^-digits: this ecCodes packs messages
    // with a decimal scale factor wrongly in complex and CCSDS packing (values
    // it cannot read back) and overrides it in simple packing.
    const std::optional<int> needed = decimal_bits(values, *choice.decimal);
    if (!needed) {
      return base::Error(base::Source::kGrib, gridfile::kBadArgument,
                         std::to_string(*choice.decimal) +
                             " decimal digits of these values need more than 31 bits");
    }
    bits = *needed + 1;
  }
  // This ecCodes' complex packing loses values beyond 15 bits, and with a
  // bitmap: such messages are packed simple.
  packed_simple = choice.type == "complex" && (any_missing || bits > kMaxComplexBits);
  Keys k(h);
  k.set("packingType", packing_type(packed_simple ? "simple" : choice.type));
  k.set("missingValue", static_cast<double>(gridfile::kMissing));
  k.set("bitmapPresent", any_missing ? 1L : 0L);
  if (choice.type == "ieee") {
    k.set("precision", 1L);  // 32-bit IEEE values
  } else {
    k.set("decimalScaleFactor", 0L);
    k.set("bitsPerValue", static_cast<long>(bits));
  }
  k.set("values", values);
  return k.status();
}

gridfile::Status verify_values(grib_handle* h, std::span<const double> values) {
  Keys k(h);
  const double e = static_cast<double>(k.get_long("binaryScaleFactor").value_or(0));
  const double d = static_cast<double>(k.get_long("decimalScaleFactor").value_or(0));
  const bool ieee = k.get_string("packingType").value_or("") == "grid_ieee";
  auto back = read_values(h, values.size());
  if (!back) {
    return base::Error(base::Source::kGrib, -1,
                       "ecCodes packed a message that " + back.error().text);
  }
  const double half_step = ieee ? 0 : 0.5 * std::pow(2.0, e) * std::pow(10.0, -d);
  for (std::size_t p = 0; p < values.size(); ++p) {
    const double v = values[p], b = (*back)[p];
    const bool missing = v == gridfile::kMissing;
    // Within half a step, give or take the rounding of a 32-bit real.
    if (missing != (b == gridfile::kMissing) ||
        (!missing && std::fabs(b - v) > half_step * (1 + 1e-6) + std::fabs(v) * 2e-7)) {
      return base::Error(base::Source::kGrib, -1,
                         "ecCodes packed value " + std::to_string(p + 1) + " (" +
                             std::to_string(v) + ") as " + std::to_string(b) +
                             "; choose another packing or fewer bits");
    }
  }
  return {};
}

gridfile::Result<std::vector<double>> read_values(grib_handle* h, std::size_t count) {
  Keys k(h);
  k.set("missingValue", static_cast<double>(gridfile::kMissing));
  // The count is checked before the values are decoded into memory it sizes.
  std::size_t held = 0;
  if (codes_get_size(h, "values", &held) == 0 && held != count) {
    return base::Error(
        base::Source::kGrib, -1,
        "it holds " + std::to_string(held) + " values for " + std::to_string(count) + " points",
        base::Condition::kDamaged);
  }
  std::optional<std::vector<double>> v = k.get_doubles("values");
  if (!v) return k.status().error();
  if (v->size() != count) {
    return base::Error(base::Source::kGrib, -1,
                       "it holds " + std::to_string(v->size()) + " values for " +
                           std::to_string(count) + " points",
                       base::Condition::kDamaged);
  }
  return std::move(*v);
}

}  // namespace grib
