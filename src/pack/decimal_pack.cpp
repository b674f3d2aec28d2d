// Decimal grid packing: every value kept as the rounded number of steps of
// 10^-ndec above the grid's minimum, in the smallest bit count that holds the
// largest code plus a missing code. The output is a GRIB-style stream.
#include "pack/dp.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "pack/grib_stream.h"
#include "pack/numeric.h"

namespace {

// Largest code of a range: the rounded product, plus one unless the product
// (of the two single-precision numbers, taken exactly) is that integer.
std::int64_t largest_code(float qdif, float multiplier) {
  // A 24 x 24-bit product is exact in double.
  const double exact = static_cast<double>(qdif) * static_cast<double>(multiplier);
  std::int64_t idif = pack::nint(static_cast<float>(exact));
  if (static_cast<double>(idif) != exact) ++idif;
  return idif;
}

// The step and its reciprocal must both be finite, non-zero reals.
bool usable_multiplier(float multiplier) {
  return std::isfinite(multiplier) && multiplier != 0.0f && std::isfinite(1.0f / multiplier);
}

}  // namespace

void dp_pdec(std::span<const float> grid, int kx, int ky, int ndec, std::span<int> idata,
             int& lendat, float& ref, float& scale, int& mbits, int& iret) {
  iret = 0;
  const std::int64_t kxky = pack::grid_points(kx, ky);
  if (static_cast<std::uint64_t>(kxky) > grid.size()) {
    iret = pack::kDpArrayTooShort;
    return;
  }
  scale = static_cast<float>(pack::pow10(ndec));  // the multiplier while packing

  float qmax = 0.0f;
  pack::value_range(grid.data(), kxky, ref, qmax);
  const float qdif = qmax - ref;
  if (qdif < 0.0f) {
    iret = pack::kDpNoValue;
    return;
  }
  if (!usable_multiplier(scale)) {
    iret = pack::kDpRangeTooBig;
    return;
  }
  const std::int64_t idif = largest_code(qdif, scale);
  // Codes hold at most 31 bits, whose all-ones value is the missing code.
  if (idif >= std::int64_t{pack::all_ones(pack::kMaxFieldBits)}) {
    iret = pack::kDpRangeTooBig;
    return;
  }
  int nbits = 1;
  while (idif >= std::int64_t{pack::all_ones(nbits)}) ++nbits;

  // Every code chosen so that the reader's ref + code * step comes back within
  // half a step; a code one above idif can take one more bit.
  const pack::GribScale g{ref, static_cast<double>(scale), 1.0f / scale,
                          pack::grib_slack(ref, qmax)};
  const std::optional<std::uint32_t> largest =
      pack::largest_grib_code(grid, kxky, g, std::int64_t{pack::all_ones(pack::kMaxFieldBits)} - 1);
  if (!largest) {
    iret = pack::kDpStepTooFine;
    return;
  }
  while (std::int64_t{*largest} >= std::int64_t{pack::all_ones(nbits)}) ++nbits;

  const std::int64_t nwords = pack::packed_words(kxky, nbits);
  if (!pack::grib_sizes_fit(grid, kxky, idata, nwords)) {
    iret = pack::kDpArrayTooShort;
    return;
  }
  mbits = nbits;
  lendat = static_cast<int>(nwords);
  for (int w = 0; w < lendat; ++w) idata[static_cast<std::size_t>(w)] = 0;
  pack::write_grib_codes(grid, kxky, mbits, g, idata);
  scale = g.step;
}
