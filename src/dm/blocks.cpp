// Definitions of the DM engine's blocks. All are constant-initialised to the
// start condition, so the engine works in a program that never calls in_bdta.
#include "dm/dm_blocks.h"

#include "dm/dm.h"
#include "dm/state.h"

constinit DmFileBlock dmfile{};
constinit DmLabelBlock dmlabl{};
constinit DmKeysBlock dmkeys{};
constinit DmFileHeadersBlock dmfhdrs{};
constinit DmPartBlock dmpart{};
constinit DmHeadersBlock dmhdrs{};
constinit DmSpaceBlock dmdmgt{};
constinit DmCacheBlock dmcach{};
constinit DmSearchBlock dmsrch{};
constinit DmScratchBlock dmspce{};
constinit DmGeneralBlock gmdm = dm::start_general_block();

namespace dm {

void reset_state() {
  gmdm = start_general_block();
}

}  // namespace dm
