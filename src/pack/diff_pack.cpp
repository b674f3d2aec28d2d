// Difference grid packing: each point is coded as its difference from the
// previous non-missing point of its line (the first point of a line from the
// first point of the last line that had one), on a linear scale between the
// smallest and the largest difference.
#include "pack/dp.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "pack/bitstream.h"
#include "pack/numeric.h"

namespace {

constexpr int kMinDiffBits = 2;

// The running state of the difference rule, walked point by point in grid
// order. The packer turns points into differences, the reader the reverse.
class DifferenceRule {
 public:
  // Call at the start of every line.
  void start_line() { line_started_ = false; }

  // Difference of the next non-missing point.
  float difference(float point) {
    float diff = 0.0f;
    if (!grid_started_) {
      ref_ = point;
      plin_ = point;
      grid_started_ = true;
    } else if (!line_started_) {
      diff = point - plin_;
      plin_ = point;
    } else {
      diff = point - psav_;
    }
    line_started_ = true;
    psav_ = point;
    return diff;
  }

  // Point rebuilt from its difference; the grid's first point is ref itself.
  float point(float diff, float ref) {
    float value = ref;
    if (!grid_started_) {
      plin_ = ref;
      grid_started_ = true;
    } else if (!line_started_) {
      value = plin_ + diff;
      plin_ = value;
    } else {
      value = psav_ + diff;
    }
    line_started_ = true;
    psav_ = value;
    return value;
  }

  bool started() const { return grid_started_; }
  float ref() const { return ref_; }

 private:
  bool grid_started_ = false;
  bool line_started_ = false;
  float ref_ = 0.0f;
  float plin_ = 0.0f;
  float psav_ = 0.0f;
};

// Smallest and largest difference (both 0 at the grid's first point); dmax <
// dmin when the grid has no non-missing point.
void difference_range(const float* grid, int kx, int ky, float& ref, float& dmin, float& dmax) {
  dmin = 1.0e31f;
  dmax = -1.0e31f;
  DifferenceRule rule;
  for (int j = 0; j < ky; ++j) {
    rule.start_line();
    const float* line = grid + std::int64_t{j} * kx;
    for (int i = 0; i < kx; ++i) {
      if (pack::is_missing(line[i])) continue;
      const bool first = !rule.started();
      const float diff = rule.difference(line[i]);
      if (first) {
        dmin = 0.0f;
        dmax = 0.0f;
        continue;
      }
      if (diff < dmin) dmin = diff;
      if (diff > dmax) dmax = diff;
    }
  }
  ref = rule.ref();
}

// Codes of all points: missing points get imiss; the others
// nint((diff - dmin) * factor), held within 0 .. imiss - 1 (single-precision
// rounding of the factor can carry the largest difference one step over).
void write_difference_codes(const float* grid, int kx, int ky, int nbits, float dmin, float factor,
                            std::span<int> idata) {
  const std::uint32_t imiss = pack::all_ones(nbits);
  pack::CodeWriter writer(idata);
  DifferenceRule rule;
  for (int j = 0; j < ky; ++j) {
    rule.start_line();
    const float* line = grid + std::int64_t{j} * kx;
    for (int i = 0; i < kx; ++i) {
      std::uint32_t code = imiss;
      // The missing test is made on the point: a real difference near -9999
      // is coded like any other, so the reader's running values stay in step.
      if (!pack::is_missing(line[i])) {
        const float above = rule.difference(line[i]) - dmin;
        const float scaled = above * factor;
        const std::int64_t rounded = pack::nint(scaled);
        if (rounded >= 0)
          code = static_cast<std::uint32_t>(std::min<std::int64_t>(rounded, imiss - 1));
      }
      writer.put(code, nbits);
    }
  }
  writer.finish();
}

}  // namespace

void dp_pdif(std::span<const float> grid, int kx, int ky, int nbits, std::span<int> idata,
             int& lendat, float& ref, float& difmin, float& scale, int& iret) {
  iret = 0;
  if (nbits < kMinDiffBits || nbits > pack::kMaxFieldBits) {
    iret = pack::kDpBadGridBits;
    return;
  }
  const std::int64_t kxky = pack::grid_points(kx, ky);
  const std::int64_t nwords = pack::packed_words(kxky, nbits);
  if (static_cast<std::uint64_t>(kxky) > grid.size() ||
      static_cast<std::uint64_t>(nwords) > idata.size() || nwords > INT_MAX) {
    iret = pack::kDpArrayTooShort;
    return;
  }
  if (kxky == 0) {
    iret = pack::kDpNoValue;
    return;
  }

  float first = 0.0f;
  float dmin = 0.0f;
  float dmax = 0.0f;
  difference_range(grid.data(), kx, ky, first, dmin, dmax);
  const float pdif = dmax - dmin;
  if (pdif < 0.0f) {
    iret = pack::kDpNoValue;
    return;
  }
  ref = first;
  lendat = static_cast<int>(nwords);
  for (int w = 0; w < lendat; ++w) idata[static_cast<std::size_t>(w)] = 0;

  const std::int64_t inner = std::int64_t{pack::all_ones(nbits)} - 1;
  if (pdif == 0.0f) {
    // Every difference 0: every non-missing code is 0 and the reader rebuilds
    // each point as ref exactly, whatever the step; the step is given as 1.
    write_difference_codes(grid.data(), kx, ky, nbits, 0.0f, 0.0f, idata);
    difmin = 0.0f;
    scale = 1.0f;
    return;
  }
  const auto factor = static_cast<float>(static_cast<double>(inner) / static_cast<double>(pdif));
  write_difference_codes(grid.data(), kx, ky, nbits, dmin, factor, idata);
  scale = 1.0f / factor;
  difmin = dmin;
}

void dp_udif(std::span<const int> idata, int kx, int ky, int nbits, float ref, float difmin,
             float scale, std::span<float> grid, int& iret) {
  iret = 0;
  if (nbits < kMinDiffBits || nbits > pack::kMaxFieldBits) {
    iret = pack::kDpBadGridBits;
    return;
  }
  const std::int64_t kxky = pack::grid_points(kx, ky);
  if (kxky == 0) {
    iret = pack::kDpNoValue;
    return;
  }
  if (static_cast<std::uint64_t>(kxky) > grid.size() ||
      static_cast<std::uint64_t>(pack::packed_words(kxky, nbits)) > idata.size()) {
    iret = pack::kDpArrayTooShort;
    return;
  }
  const std::uint32_t imiss = pack::all_ones(nbits);
  pack::CodeReader reader(idata);
  DifferenceRule rule;
  for (int j = 0; j < ky; ++j) {
    rule.start_line();
    float* line = grid.data() + std::int64_t{j} * kx;
    for (int i = 0; i < kx; ++i) {
      const std::uint32_t code = reader.get(nbits);
      if (code == imiss) {
        line[i] = pack::kMissing;
      } else {
        line[i] = rule.point(difmin + static_cast<float>(code) * scale, ref);
      }
    }
  }
}
