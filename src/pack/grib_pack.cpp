// GRIB-style grid packing: every point becomes the rounded number of steps of
// a power-of-two step above the grid's minimum, coded in nbits bits, MSB first;
// the all-ones code marks a missing point.
#include "pack/dp.h"

#include <climits>
#include <cstddef>
#include <cstdint>

#include "pack/bitstream.h"
#include "pack/grib_stream.h"
#include "pack/numeric.h"
#include "platform/platform.h"

namespace {

constexpr int kMinGribBits = 2;
// Exponent bounds: 2^nnnn and the step 2^-nnnn both stay finite single-
// precision reals (2^-127 is subnormal but exact).
constexpr int kMaxExponent = 127;
constexpr int kMinExponent = -127;

// Rounded scaled range at exponent n, as the packing step rounds the largest value.
std::int64_t rounded_range(float qdif, int n) {
  return pack::nint(static_cast<float>(static_cast<double>(qdif) * pack::pow2(n)));
}

// The exponent nnnn such that the range scaled by 2^nnnn codes below imax:
// the largest one when the range is small, else the first one found going down.
int search_exponent(float qdif, float qmax, float ref, std::int64_t imax) {
  int nnnn = 0;
  bool downward = false;
  if (static_cast<double>(qdif) > 2147483648.0) {
    // The range does not fit an integer; idat stands at the sign-bit word.
    platform::write_list({"Warning: range too big ", qdif, qmax, ref, INT_MIN});
    downward = true;
  } else {
    downward = pack::nint(qdif) >= imax;
  }
  if (!downward) {
    while (nnnn < kMaxExponent && rounded_range(qdif, nnnn + 1) < imax) ++nnnn;
  } else {
    // Stop only where the largest value, rounded as it will be packed, codes
    // below imax: a truncated test could let it round up to the missing code.
    do {
      --nnnn;
    } while (nnnn > kMinExponent && rounded_range(qdif, nnnn) >= imax);
  }
  return nnnn;
}

}  // namespace

namespace pack {

bool grib_sizes_fit(std::span<const float> grid, std::int64_t kxky, std::span<int> idata,
                    std::int64_t lendat) {
  return static_cast<std::uint64_t>(kxky) <= grid.size() &&
         static_cast<std::uint64_t>(lendat) <= idata.size() && lendat <= INT_MAX;
}

void write_grib_codes(std::span<const float> grid, std::int64_t kxky, int nbits, float ref,
                      double multiplier, std::span<int> idata) {
  const std::uint32_t imax = all_ones(nbits);
  CodeWriter writer(idata);
  for (std::int64_t i = 0; i < kxky; ++i) {
    const float value = grid[static_cast<std::size_t>(i)];
    std::uint32_t code = imax;
    if (!is_missing(value)) {
      const float above = value - ref;
      code = scaled_code(static_cast<double>(above) * multiplier, std::int64_t{imax} - 1, imax);
    }
    writer.put(code, nbits);
  }
  writer.finish();
}

}  // namespace pack

void dp_pgrb(std::span<const float> grid, int kx, int ky, int nbits, std::span<int> idata,
             int& lendat, float& ref, float& scale, int& iret) {
  iret = 0;
  if (nbits < kMinGribBits || nbits > pack::kMaxFieldBits) {
    iret = pack::kDpBadGridBits;
    return;
  }
  const std::int64_t kxky = pack::grid_points(kx, ky);
  const std::int64_t nwords = pack::packed_words(kxky, nbits);
  if (!pack::grib_sizes_fit(grid, kxky, idata, nwords)) {
    iret = pack::kDpArrayTooShort;
    return;
  }
  lendat = static_cast<int>(nwords);
  for (int w = 0; w < lendat; ++w) idata[static_cast<std::size_t>(w)] = 0;

  scale = 1.0f;
  float qmax = 0.0f;
  pack::value_range(grid.data(), kxky, ref, qmax);
  const float qdif = qmax - ref;
  if (qdif < 0.0f) {
    iret = pack::kDpNoValue;
    return;
  }
  if (qdif == 0.0f) {
    // Every value equal: code 0 with step 1; missing points keep their code.
    pack::write_grib_codes(grid, kxky, nbits, ref, 1.0, idata);
    return;
  }

  const std::int64_t imax = pack::all_ones(nbits);
  const int nnnn = search_exponent(qdif, qmax, ref, imax);
  pack::write_grib_codes(grid, kxky, nbits, ref, pack::pow2(nnnn), idata);
  scale = static_cast<float>(1.0 / pack::pow2(nnnn));
}

void dp_ugrb(std::span<const int> idata, int kxky, int nbits, float ref, float scale,
             std::span<float> grid, int& iret) {
  iret = 0;
  if (nbits < 1 || nbits > pack::kMaxFieldBits) {
    iret = pack::kDpBadGridBits;
    return;
  }
  if (kxky <= 0) {
    iret = pack::kDpNoValue;
    return;
  }
  const std::int64_t nwords = pack::packed_words(kxky, nbits);
  if (static_cast<std::uint64_t>(kxky) > grid.size() ||
      static_cast<std::uint64_t>(nwords) > idata.size()) {
    iret = pack::kDpArrayTooShort;
    return;
  }
  const std::uint32_t imax = pack::all_ones(nbits);
  pack::CodeReader reader(idata);
  for (int i = 0; i < kxky; ++i) {
    const std::uint32_t code = reader.get(nbits);
    grid[static_cast<std::size_t>(i)] =
        code == imax ? pack::kMissing : ref + static_cast<float>(code) * scale;
  }
}
