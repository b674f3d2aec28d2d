// griddiff's matching: grids of two files paired by identifier (not by
// number), and the navigation fields in which two files differ.
#pragma once

#include <string>
#include <vector>

#include "gridfile/gridfile.h"

namespace gridtools {

struct Matching {
  // Pairs (grid of A, grid of B) with equal identifiers, in A's order.
  std::vector<std::pair<gridfile::GridInfo, gridfile::GridInfo>> pairs;
  std::vector<gridfile::GridInfo> only_a, only_b;  // in file order
};

Matching match_grids(const std::vector<gridfile::GridInfo>& a,
                     const std::vector<gridfile::GridInfo>& b);

// One navigation field that differs: its name and both values as text.
struct FieldDifference {
  std::string field;
  std::string a, b;
  friend bool operator==(const FieldDifference&, const FieldDifference&) = default;
};

// Every differing field, in block order (projection, nx, ny, lat1, lon1,
// lat2, lon2, angle1..3); empty when the navigations are the same.
std::vector<FieldDifference> navigation_differences(const gridfile::Navigation& a,
                                                    const gridfile::Navigation& b);

}  // namespace gridtools
