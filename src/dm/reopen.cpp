// Closing and reopening a DM file's unit under its own name, so that the file's
// new length (after the shared-file pre-extension) is seen by the I/O layer.
#include "dm/dm.h"
#include "dm/state.h"

#include <string>

#include "platform/platform.h"

void dm_clop(int idmf, int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  iret = dm::kDmReopenFailed;
  const int lun = dm::iflun(idmf);
  // The whole name is kept: a name cut short would reopen another file.
  std::string name;
  if (platform::unit_name(lun, name) != platform::kOk) return;
  if (platform::close_unit(lun) != platform::kOk) return;
  if (platform::open_direct(lun, name, false, dm::kRecordBytes) != platform::kOk) return;
  iret = dm::kDmOk;
}
