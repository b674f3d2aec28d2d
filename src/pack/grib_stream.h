// The GRIB-style code stream shared by the GRIB-style and decimal packers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace pack {

// Whether the grid holds kxky points and idata lendat words (lendat also
// addressable as an int).
bool grib_sizes_fit(std::span<const float> grid, std::int64_t kxky, std::span<int> idata,
                    std::int64_t lendat);

// Whether a point is stored as the all-ones code: a missing value, or NaN.
bool grib_codes_missing(float value);

// How a GRIB-style stream codes a grid: ref + code * step, the codes of the
// plain rule nint((value - ref) * multiplier), and the resolution of the
// grid's values (pack/rebuild.h).
struct GribScale {
  float ref = 0.0f;
  double multiplier = 1.0;
  float step = 1.0f;
  double slack = 0.0;
};

// The resolution of a grid whose values lie in ref..qmax.
double grib_slack(float ref, float qmax);

// The code of a value that is not missing, in 0..top, whose value as the
// reader rebuilds it lies within half a step: the plain rule's code (the
// difference and the product in single precision) where that one does, else
// the nearest that does; nullopt when none does.
std::optional<std::uint32_t> grib_code(float value, const GribScale& g, std::int64_t top);

// The largest code grib_code gives the first kxky points (0 when every
// point is missing); nullopt when one of them has none.
std::optional<std::uint32_t> largest_grib_code(std::span<const float> grid, std::int64_t kxky,
                                               const GribScale& g, std::int64_t top);

// Writes the codes of the first kxky points, MSB first in nbits bits, each
// by grib_code with top the all-ones code less one; missing points get the
// all-ones code. False when some point has no code (the words are then
// partly written).
bool write_grib_codes(std::span<const float> grid, std::int64_t kxky, int nbits, const GribScale& g,
                      std::span<int> idata);

}  // namespace pack
