// Comparison of two grids' values point by point, within tolerances. Plain
// values in, a summary out; the files and their matching live in griddiff.
#pragma once

#include <cstddef>
#include <span>

namespace gridtools {

// A point pair is equal when both are missing, both NaN, both the same
// infinity, or both finite with |a - b| within the absolute tolerance or
// within the relative one (|a - b| <= rel * max(|a|, |b|)). With both
// tolerances 0 only equal values are equal (0 and -0 are).
struct Tolerance {
  double abs = 0;
  double rel = 0;
};

// Where a largest difference is: column i and row j from 1, row 1 at the bottom.
struct Point {
  int i = 0, j = 0;
  float a = 0, b = 0;
};

struct Comparison {
  std::size_t points = 0;
  std::size_t differing = 0;       // pairs not equal within the tolerances (missing ones included)
  std::size_t missing_only_a = 0;  // missing in A, a value in B
  std::size_t missing_only_b = 0;
  std::size_t nonfinite_mismatch = 0;  // a NaN or infinity facing anything else
  std::size_t compared = 0;            // pairs of finite, non-missing values
  double max_abs = 0;                  // over the compared pairs
  Point max_abs_at;
  double max_rel = 0;  // |a - b| / max(|a|, |b|), 0 where both are 0
  Point max_rel_at;
  double rms = 0;  // root mean square of a - b over the compared pairs
  bool equal() const { return differing == 0; }
};

// Compares nx x ny values stored bottom row first, each row west to east.
// REQUIRES: a.size() == b.size() == nx * ny.
Comparison compare_values(std::span<const float> a, std::span<const float> b, int nx,
                          Tolerance tol);

}  // namespace gridtools
