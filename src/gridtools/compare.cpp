#include "gridtools/compare.h"

#include <algorithm>
#include <cmath>

#include "gridfile/gridfile.h"

namespace gridtools {
namespace {

enum class Kind { kMissing, kNan, kInfinite, kValue };

Kind kind_of(float v) {
  if (std::isnan(v)) return Kind::kNan;
  if (std::isinf(v)) return Kind::kInfinite;
  return gridfile::is_missing(v) ? Kind::kMissing : Kind::kValue;
}

}  // namespace

Comparison compare_values(std::span<const float> a, std::span<const float> b, int nx,
                          Tolerance tol) {
  Comparison c;
  c.points = a.size();
  double sum_sq = 0;
  const std::size_t row = nx > 0 ? static_cast<std::size_t>(nx) : 1;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const float va = a[k], vb = b[k];
    const Kind ka = kind_of(va), kb = kind_of(vb);
    if (ka != Kind::kValue || kb != Kind::kValue) {
      if (ka == kb && (ka != Kind::kInfinite || va == vb)) continue;
      ++c.differing;
      if (ka == Kind::kMissing && kb == Kind::kValue) {
        ++c.missing_only_a;
      } else if (kb == Kind::kMissing && ka == Kind::kValue) {
        ++c.missing_only_b;
      } else {
        ++c.nonfinite_mismatch;
      }
      continue;
    }
    ++c.compared;
    const double da = va, db = vb;
    const double diff = std::fabs(da - db);
    const double scale = std::max(std::fabs(da), std::fabs(db));
    const double rel = scale > 0 ? diff / scale : 0;
    sum_sq += (da - db) * (da - db);
    const Point here{static_cast<int>(k % row) + 1, static_cast<int>(k / row) + 1, va, vb};
    if (diff > c.max_abs) {
      c.max_abs = diff;
      c.max_abs_at = here;
    }
    if (rel > c.max_rel) {
      c.max_rel = rel;
      c.max_rel_at = here;
    }
    if (diff > 0 && diff > tol.abs && diff > tol.rel * scale) ++c.differing;
  }
  if (c.compared > 0) c.rms = std::sqrt(sum_sq / static_cast<double>(c.compared));
  return c;
}

}  // namespace gridtools
