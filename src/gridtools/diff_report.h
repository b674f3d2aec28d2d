// What griddiff found between two files, and its readable and JSON forms.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "gridtools/compare.h"
#include "gridtools/matching.h"

namespace gridtools {

struct PairReport {
  gridfile::GridInfo a, b;
  std::optional<Comparison> comparison;  // absent when the sizes differ
  // The packing step of the coarser of the two grids (0 when neither is
  // packed): a packed grid against its unpacked source differs by up to
  // half a step for GRIB packing.
  float step = 0;
  bool equal() const { return comparison && comparison->equal(); }
};

struct DiffReport {
  std::string path_a, path_b;
  Tolerance tolerance;
  std::vector<FieldDifference> navigation;
  std::vector<gridfile::GridInfo> only_a, only_b;
  std::vector<PairReport> pairs;
  gridfile::YearWindow window;  // reads the two-digit years of the times
  bool equal() const;
};

// The packing step of a pair (see PairReport::step).
float packing_step(const gridfile::GridInfo& a, const gridfile::GridInfo& b);

std::vector<std::string> diff_text(const DiffReport& report);
// One JSON document on one line; the schema is in the README.
std::string diff_json(const DiffReport& report);

}  // namespace gridtools
