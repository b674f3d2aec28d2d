// Start-up without in_bdta. In static storage the DM file table reads as
// zeros, which the library takes for "in use"; a DM file's unit is never 0
// once started (free numbers hold -1, open ones a pool unit 11..20), so all
// three units at 0 mean that no start-up has run. Then, once per process, the
// layers are put into the state in_bdta establishes.
#include <algorithm>

#include "dm/dm.h"
#include "grid/gd.h"
#include "gridfile/internal.h"
#include "pack/dp.h"
#include "services/fl.h"

namespace gridfile::detail {

void ensure_started() {
  static bool checked = false;
  if (checked) return;
  checked = true;
  const bool never_started =
      std::all_of(gmdm.iflun.begin(), gmdm.iflun.end(), [](int lun) { return lun == 0; });
  if (!never_started) return;
  pack::reset_descriptors();
  grid::reset_state();
  dm::reset_state();
  services::reset_units();
}

}  // namespace gridfile::detail
