// Storage of the grid layer's blocks, constant-initialised to the start
// condition, so the layer works in a program that never calls in_bdta.
#include "grid/gd.h"

#include "grid/gd_blocks.h"
#include "grid/marks.h"

constinit GridCommonBlock grdcmn{};
constinit GridMarkBlock gmgrid = grid::start_marks();

namespace grid {

void reset_state() {
  gmgrid = start_marks();
}

}  // namespace grid
