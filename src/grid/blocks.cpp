// Storage of the grid layer's blocks and their start condition.
#include "grid/gd.h"

#include "grid/gd_blocks.h"

GridCommonBlock grdcmn{};
GridMarkBlock gmgrid{};

namespace grid {

void reset_state() {
  gmgrid.gfmark.fill(-1);
}

}  // namespace grid
