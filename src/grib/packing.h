// How grid2grib packs the values of a message (GRIB2 data representation
// templates 5.0 simple, 5.3 complex with spatial differencing, 5.42 CCSDS and
// 5.4 IEEE), and the values it writes: missing values as a bitmap.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "gridfile/gridfile.h"

struct grib_handle;

namespace grib {

inline constexpr int kDefaultBits = 16;
// The most bits ecCodes 2.28's complex packing keeps every value of (it
// loses values beyond, and with any bitmap).
inline constexpr int kMaxComplexBits = 15;

struct PackingChoice {
  std::string type = "ccsds";  // simple, complex, ccsds or ieee
  std::optional<int> bits;     // bits per value (default kDefaultBits)
  std::optional<int> decimal;  // keep this many decimal digits instead
};

// The ecCodes packingType of a choice's type, or empty when unknown.
std::string packing_type(std::string_view type);
// Whether this ecCodes writes CCSDS packing.
bool ccsds_available();

// Gives a message `points` values in simple packing. Every packing key set
// afterwards repacks the values a message holds, which ecCodes' complex
// packing refuses to do for the sample's constant field of another size:
// the template of a file's messages gets these first.
gridfile::Status prepare_values(grib_handle* h, std::size_t points);

// Sets the packing and the values (grid units already turned to GRIB's; the
// grid file's missing values are given as gridfile::kMissing). packed_simple:
// complex packing was asked for where it would lose values (more than
// kMaxComplexBits bits, or missing values), and simple packing used instead.
gridfile::Status write_values(grib_handle* h, const PackingChoice& choice,
                              std::span<const double> values, bool any_missing,
                              bool& packed_simple);

// Whether a message holds `values` as packed: each within half the packing
// step, missing where missing. An Error naming the first value that is not.
gridfile::Status verify_values(grib_handle* h, std::span<const double> values);

// A message's `count` values with missing points (bitmap) as
// gridfile::kMissing; an Error, before any is decoded, when it holds another
// count.
gridfile::Result<std::vector<double>> read_values(grib_handle* h, std::size_t count);

}  // namespace grib
