// Which grids gridinfo and griddiff look at: the identifier criteria of the
// grid-file layer, worded for their messages.
#pragma once

#include <string>

#include "gridfile/selection.h"

namespace gridtools {

struct Selection : gridfile::GridFilter {
  // "param=TMPK time=... level=500 vcoord=PRES", for messages.
  std::string text() const;
};

using gridfile::parse_vcoord;

}  // namespace gridtools
