// Difference grid packing: each point is coded as its difference from the
// previous non-missing point of its line (the first point of a line from the
// first point of the last line that had one), on a linear scale between the
// smallest and the largest difference. The differences are taken from the
// points as the reader will rebuild them, so every point comes back within
// half a step.
#include "pack/dp.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "pack/bitstream.h"
#include "pack/numeric.h"
#include "pack/rebuild.h"

namespace {

constexpr int kMinDiffBits = 2;
// Widened layouts tried when the plain one cannot keep every point, each
// step twice the one before: a coarser step is what keeps a point within half
// of it when the step is finer than single precision resolves (codes beyond
// 24 bits, differences of large values). 2^-149 to 2^128 bounds every step.
constexpr int kWidenedTries = 280;

// Points stored as the all-ones code: missing values, and NaN.
bool coded_missing(float value) {
  return pack::is_missing(value) || std::isnan(value);
}

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

  // The point the next difference is added to (once the grid has started).
  float base() const { return line_started_ ? psav_ : plin_; }

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
// dmin when the grid has no non-missing point. `largest` the largest
// magnitude of a point.
void difference_range(const float* grid, int kx, int ky, float& ref, float& dmin, float& dmax,
                      double& largest) {
  dmin = 1.0e31f;
  dmax = -1.0e31f;
  largest = 0.0;
  DifferenceRule rule;
  for (int j = 0; j < ky; ++j) {
    rule.start_line();
    const float* line = grid + std::int64_t{j} * kx;
    for (int i = 0; i < kx; ++i) {
      if (coded_missing(line[i])) continue;
      largest = std::max(largest, std::fabs(static_cast<double>(line[i])));
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

// How differences are coded: difmin + code * step. A plain layout also
// gives the codes of differences between the input points,
// nint((diff - dmin) * factor); they are kept wherever the point they
// rebuild lies within half a step, so a grid that came back within half a
// step that way keeps its codes.
struct DiffLayout {
  float difmin = 0.0f;
  float step = 0.0f;
  bool plain = false;
  float dmin = 0.0f;
  float factor = 0.0f;
  double slack = 0.0;  // the resolution of the points and differences
};

// The plain code of an input difference, or -1 when there is none.
std::int64_t plain_code(const DiffLayout& lay, float diff, std::int64_t top) {
  if (!lay.plain) return -1;
  const float above = diff - lay.dmin;
  const float scaled = above * lay.factor;
  const std::int64_t rounded = pack::nint(scaled);
  return rounded < 0 ? -1 : std::min(rounded, top);
}

// Codes of all points: missing points get imiss; every other point the code
// whose difference, added to the point before it as the reader rebuilds
// that one, gives a point within half a step (error feedback: nothing adds
// up along a line). False when some point has no such code in 0..imiss-1.
bool write_difference_codes(const float* grid, int kx, int ky, int nbits, float ref,
                            const DiffLayout& lay, std::span<int> idata) {
  const std::uint32_t imiss = pack::all_ones(nbits);
  const std::int64_t top = std::int64_t{imiss} - 1;
  pack::CodeWriter writer(idata);
  DifferenceRule input;   // differences between the input points
  DifferenceRule reader;  // the points as the reader rebuilds them
  for (int j = 0; j < ky; ++j) {
    input.start_line();
    reader.start_line();
    const float* line = grid + std::int64_t{j} * kx;
    for (int i = 0; i < kx; ++i) {
      const float want = line[i];
      if (coded_missing(want)) {
        writer.put(imiss, nbits);
        continue;
      }
      const std::int64_t plain = plain_code(lay, input.difference(want), top);
      std::optional<std::uint32_t> code;
      if (!reader.started()) {
        code = static_cast<std::uint32_t>(std::max<std::int64_t>(plain, 0));  // rebuilt as ref
      } else {
        const float from = reader.base();
        code = pack::choose_code(want, lay.difmin, lay.step, plain, top, lay.slack,
                                 static_cast<double>(want) - static_cast<double>(from),
                                 [from](float diff) { return from + diff; });
        if (!code) return false;
      }
      reader.point(pack::rebuilt(*code, lay.difmin, lay.step), ref);
      writer.put(*code, nbits);
    }
  }
  writer.finish();
  return true;
}

// The plain layout: the range of the input differences over the inner codes.
std::optional<DiffLayout> plain_layout(float dmin, float pdif, int nbits, double slack) {
  const std::int64_t inner = std::int64_t{pack::all_ones(nbits)} - 1;
  const auto factor = static_cast<float>(static_cast<double>(inner) / static_cast<double>(pdif));
  const float step = 1.0f / factor;
  if (!std::isfinite(factor) || factor == 0.0f || !std::isfinite(step)) return std::nullopt;
  return DiffLayout{dmin, step, true, dmin, factor, slack};
}

// A widened layout: room for half a step beyond both ends of the input
// differences, since a difference taken from a rebuilt point may lie that
// far outside them. The codes 0..imiss-1 then span the range and one step:
// step = range / (imiss - 2), difmin = dmin - step / 2; at later attempts
// the step doubles.
std::optional<DiffLayout> widened_layout(float dmin, float pdif, int nbits, int attempt,
                                         double slack) {
  const double denominator = static_cast<double>(pack::all_ones(nbits)) - 2.0;
  const double wanted = std::ldexp(static_cast<double>(pdif) / denominator, attempt);
  const auto step = static_cast<float>(wanted);
  const auto difmin = static_cast<float>(static_cast<double>(dmin) - 0.5 * wanted);
  if (!std::isfinite(step) || !std::isfinite(difmin)) return std::nullopt;
  return DiffLayout{difmin, step, false, 0.0f, 0.0f, slack};
}

// Writes the codes with the plain layout, or else the first widened one that
// keeps every point; the layout used, or nullopt when none does.
std::optional<DiffLayout> write_with_first_fitting_layout(const float* grid, int kx, int ky,
                                                          int nbits, float ref, float dmin,
                                                          float pdif, double slack,
                                                          std::span<int> idata) {
  std::optional<DiffLayout> lay = plain_layout(dmin, pdif, nbits, slack);
  for (int attempt = 0; attempt <= kWidenedTries; ++attempt) {
    if (lay && lay->step > 0.0f && write_difference_codes(grid, kx, ky, nbits, ref, *lay, idata)) {
      return lay;
    }
    lay = widened_layout(dmin, pdif, nbits, attempt, slack);
    if (!lay && attempt > 0) break;  // the step left the reals
  }
  return std::nullopt;
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
  double largest = 0.0;
  difference_range(grid.data(), kx, ky, first, dmin, dmax, largest);
  const float pdif = dmax - dmin;
  if (pdif < 0.0f) {
    iret = pack::kDpNoValue;
    return;
  }
  ref = first;
  lendat = static_cast<int>(nwords);
  const auto clear = [&] {
    for (int w = 0; w < lendat; ++w) idata[static_cast<std::size_t>(w)] = 0;
  };
  clear();

  if (pdif == 0.0f) {
    // Every difference 0: every non-missing code is 0 and the reader rebuilds
    // each point as ref exactly, whatever the step; the step is given as 1.
    write_difference_codes(grid.data(), kx, ky, nbits, ref, DiffLayout{0.0f, 1.0f, false}, idata);
    difmin = 0.0f;
    scale = 1.0f;
    return;
  }
  if (std::isfinite(pdif)) {
    // Differences reach twice the largest point.
    const double slack = pack::resolution_at(std::max(
        {largest, std::fabs(static_cast<double>(dmin)), std::fabs(static_cast<double>(dmax))}));
    if (const std::optional<DiffLayout> lay = write_with_first_fitting_layout(
            grid.data(), kx, ky, nbits, ref, dmin, pdif, slack, idata)) {
      difmin = lay->difmin;
      scale = lay->step;
      return;
    }
  }
  // Differences beyond the largest real, or none of the layouts keeps them.
  clear();
  iret = pack::kDpRangeTooBig;
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
        line[i] = rule.point(pack::rebuilt(code, difmin, scale), ref);
      }
    }
  }
}
