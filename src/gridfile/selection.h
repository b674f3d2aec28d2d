// Choosing grids by their identifier: parameter, time, level and vertical
// coordinate. The programs that take such criteria on their command lines
// share these rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "gridfile/gridfile.h"

namespace gridfile {

// Criteria on a grid identifier; an unset criterion fits every grid.
struct GridFilter {
  std::optional<std::string> param;  // compared without regard to case
  // A grid time text ("910823/1200F012"), or its reference time in ISO 8601
  // ("1991-08-23T12:00Z"); matches time 1 or time 2.
  std::optional<std::string> time;
  std::optional<int> level;   // matches level 1 or level 2
  std::optional<int> vcoord;  // a vertical coordinate code

  bool empty() const { return !param && !time && !level && !vcoord; }
  bool matches(const GridId& id) const;
};

// A vertical coordinate given by name (NONE, PRES, THTA, HGHT, SGMA, any case)
// or code; nullopt when it is neither.
std::optional<int> parse_vcoord(std::string_view text);

}  // namespace gridfile
