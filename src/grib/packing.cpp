// Packing and unpacking through ecCodes. The packing is set before the
// values, so that ecCodes packs them once, with the bits or decimal digits
// asked for; missing points go into the bitmap.
#include "grib/packing.h"

#include <eccodes.h>

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

gridfile::Status write_values(grib_handle* h, const PackingChoice& choice,
                              std::span<const double> values, bool any_missing) {
  Keys k(h);
  k.set("bitmapPresent", any_missing ? 1L : 0L);
  if (any_missing) k.set("missingValue", static_cast<double>(gridfile::kMissing));
  k.set("packingType", packing_type(choice.type));
  if (choice.type == "ieee") {
    k.set("precision", 1L);  // 32-bit IEEE values
  } else if (choice.decimal) {
    k.set("decimalScaleFactor", static_cast<long>(*choice.decimal));
    k.set("bitsPerValue", 0L);  // ecCodes takes the bits the digits need
  } else {
    k.set("decimalScaleFactor", 0L);
    k.set("bitsPerValue", static_cast<long>(choice.bits.value_or(kDefaultBits)));
  }
  k.set("values", values);
  return k.status();
}

gridfile::Result<std::vector<double>> read_values(grib_handle* h) {
  Keys k(h);
  k.set("missingValue", static_cast<double>(gridfile::kMissing));
  std::optional<std::vector<double>> v = k.get_doubles("values");
  if (!v) return k.status().error();
  return std::move(*v);
}

}  // namespace grib
