// Which grid of a file gridplot draws: a grid number, or criteria on the
// identifier that must fit exactly one grid.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gridfile/gridfile.h"

namespace plot {

struct Selection {
  std::optional<int> number;         // grid number, from 1
  std::optional<std::string> param;  // any case
  // A grid time text ("910823/1200F012") or its reference time in ISO 8601
  // ("1991-08-23T12:00Z"); matches time 1 or time 2.
  std::optional<std::string> time;
  std::optional<int> level;   // matches level 1 or level 2
  std::optional<int> vcoord;  // vertical coordinate code

  bool matches(const gridfile::GridInfo& grid) const;
  // "--param TMPK --level 850", for messages; "no selection" when empty.
  std::string text() const;
};

// A vertical coordinate by name (NONE, PRES, THTA, HGHT, SGMA, any case) or
// code; nullopt when it is neither.
std::optional<int> parse_vcoord(std::string_view text);

// The grids that fit, in file order.
std::vector<gridfile::GridInfo> select_grids(const std::vector<gridfile::GridInfo>& grids,
                                             const Selection& selection);

}  // namespace plot
