// Library start-up: every layer's process-wide state back to its start condition.
#include "driver/in.h"

#include "dm/dm.h"
#include "grid/gd.h"
#include "pack/dp.h"
#include "services/fl.h"

void in_bdta(int& iret) {
  iret = 0;
  pack::reset_descriptors();  // descriptor in-use flags: all free
  grid::reset_state();        // gfmark: no grid files
  dm::reset_state();          // iflun -1, record cache empty
  services::reset_units();    // unit pool: all free
}
