// The GRIB-style code stream shared by the GRIB-style and decimal packers.
#pragma once

#include <cstdint>
#include <span>

namespace pack {

// Whether the grid holds kxky points and idata lendat words (lendat also
// addressable as an int).
bool grib_sizes_fit(std::span<const float> grid, std::int64_t kxky, std::span<int> idata,
                    std::int64_t lendat);

// Codes of the first kxky points, MSB first in nbits bits: nint((value - ref)
// * multiplier) with the difference and the product rounded to single
// precision; missing points, and values whose code would not lie below the
// all-ones code, get the all-ones code.
void write_grib_codes(std::span<const float> grid, std::int64_t kxky, int nbits, float ref,
                      double multiplier, std::span<int> idata);

}  // namespace pack
