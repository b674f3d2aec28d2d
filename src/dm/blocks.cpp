// Definitions of the DM engine's named blocks and their start condition.
#include "dm/dm_blocks.h"

#include "dm/dm.h"

DmFileBlock dmfile;
DmLabelBlock dmlabl;
DmKeysBlock dmkeys;
DmFileHeadersBlock dmfhdrs;
DmPartBlock dmpart;
DmHeadersBlock dmhdrs;
DmSpaceBlock dmdmgt;
DmCacheBlock dmcach;
DmSearchBlock dmsrch;
DmScratchBlock dmspce;
DmGeneralBlock gmdm;

namespace dm {

void reset_state() {
  gmdm = {};
  gmdm.iflun.fill(-1);  // every file number free; the cache empty (icnext 0, slots 0)
}

}  // namespace dm
