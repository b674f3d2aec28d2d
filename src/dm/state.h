// The DM engine's own state besides its named blocks: the DM share of the
// general library block (the unit of each file, the record cache bookkeeping)
// and the search words. Internal to the engine (and its tests); defined in
// dm/blocks.cpp.
#pragma once

#include <array>

#include "dm/dm_blocks.h"

// The DM share of the general library block gmbdta: the unit of each open file
// (-1: number free) and the record cache bookkeeping.
struct DmGeneralBlock {
  std::array<int, dm::kMaxFiles> iflun;
  int icnext;                               // slot handed out last, 0 before the first
  std::array<int, dm::kCacheSlots> icfile;  // file of each slot, 0 none
  std::array<int, dm::kCacheSlots> icrec;   // record held
  std::array<int, dm::kCacheSlots> icdrty;  // 1: words not yet in the file
  // Per file: 1 when modified words were lost where no caller hears of it (a
  // write-back failed while dm_nxtc reused a slot for a fetch, or dm_wflt met
  // an unreadable record); the file's next dm_fwrt reports it with -6.
  std::array<int, dm::kMaxFiles> iclost;
};
extern DmGeneralBlock gmdm;

// dmsrch: search state, four words per file; cleared at creation, otherwise unused.
struct DmSearchBlock {
  std::array<std::array<int, 4>, dm::kMaxFiles> ksrch;
};
extern DmSearchBlock dmsrch;

namespace dm {

// The start condition: every file number free (unit -1), the record cache
// empty (icnext 0, no slot bound). gmdm holds it from program start, and
// dm::reset_state puts it back.
constexpr DmGeneralBlock start_general_block() {
  DmGeneralBlock block{};
  block.iflun.fill(-1);
  return block;
}

inline int& iflun(int idmf) {
  return gmdm.iflun[file_index(idmf)];
}

}  // namespace dm
