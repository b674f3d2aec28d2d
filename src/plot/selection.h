// Which grid of a file gridplot draws: a grid number, or criteria on the
// identifier that must fit exactly one grid.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gridfile/gridfile.h"
#include "gridfile/selection.h"

namespace plot {

struct Selection : gridfile::GridFilter {
  std::optional<int> number;  // grid number, from 1

  bool matches(const gridfile::GridInfo& grid) const;
  // "--param TMPK --level 850", for messages; "no selection" when empty.
  std::string text() const;
};

using gridfile::parse_vcoord;

// The grids that fit, in file order.
std::vector<gridfile::GridInfo> select_grids(const std::vector<gridfile::GridInfo>& grids,
                                             const Selection& selection);

}  // namespace plot
