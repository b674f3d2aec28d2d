// GRIB-style grid packing: every point becomes the rounded number of steps of
// a power-of-two step above the grid's minimum, coded in nbits bits, MSB first;
// the all-ones code marks a missing point.
#include "pack/dp.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "pack/bitstream.h"
#include "pack/grib_stream.h"
#include "pack/numeric.h"
#include "pack/rebuild.h"
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

bool grib_codes_missing(float value) {
  return is_missing(value) || std::isnan(value);
}

double grib_slack(float ref, float qmax) {
  return resolution_at(
      std::max(std::fabs(static_cast<double>(ref)), std::fabs(static_cast<double>(qmax))));
}

std::optional<std::uint32_t> grib_code(float value, const GribScale& g, std::int64_t top) {
  const float above = value - g.ref;
  const std::int64_t plain = nint(static_cast<float>(static_cast<double>(above) * g.multiplier));
  return choose_code(value, g.ref, g.step, plain, top, g.slack);
}

std::optional<std::uint32_t> largest_grib_code(std::span<const float> grid, std::int64_t kxky,
                                               const GribScale& g, std::int64_t top) {
  std::uint32_t largest = 0;
  for (std::int64_t i = 0; i < kxky; ++i) {
    const float value = grid[static_cast<std::size_t>(i)];
    if (grib_codes_missing(value)) continue;
    const std::optional<std::uint32_t> code = grib_code(value, g, top);
    if (!code) return std::nullopt;
    largest = std::max(largest, *code);
  }
  return largest;
}

bool write_grib_codes(std::span<const float> grid, std::int64_t kxky, int nbits, const GribScale& g,
                      std::span<int> idata) {
  const std::uint32_t imax = all_ones(nbits);
  CodeWriter writer(idata);
  for (std::int64_t i = 0; i < kxky; ++i) {
    const float value = grid[static_cast<std::size_t>(i)];
    std::uint32_t code = imax;
    if (!grib_codes_missing(value)) {
      const std::optional<std::uint32_t> chosen = grib_code(value, g, std::int64_t{imax} - 1);
      if (!chosen) return false;
      code = *chosen;
    }
    writer.put(code, nbits);
  }
  writer.finish();
  return true;
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
    pack::write_grib_codes(grid, kxky, nbits, {ref, 1.0, 1.0f, 0.0}, idata);
    return;
  }

  // The step the search finds, or, where some value would not come back
  // within half of it (codes beyond the 24 bits a real holds exactly, values
  // finer than the step resolves), the next coarser power of two that works.
  const std::int64_t imax = pack::all_ones(nbits);
  const double slack = pack::grib_slack(ref, qmax);
  for (int nnnn = search_exponent(qdif, qmax, ref, imax); nnnn >= kMinExponent; --nnnn) {
    const pack::GribScale g{ref, pack::pow2(nnnn), static_cast<float>(1.0 / pack::pow2(nnnn)),
                            slack};
    if (pack::write_grib_codes(grid, kxky, nbits, g, idata)) {
      scale = g.step;
      return;
    }
  }
  // Not even a step of 2^127 rebuilds the values: a range near the largest real.
  for (int w = 0; w < lendat; ++w) idata[static_cast<std::size_t>(w)] = 0;
  iret = pack::kDpRangeTooBig;
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
        code == imax ? pack::kMissing : pack::rebuilt(code, ref, scale);
  }
}
