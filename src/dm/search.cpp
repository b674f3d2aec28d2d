// Header search: the first row or column whose chosen key words equal the
// given values, among the rows or columns written so far.
#include "dm/dm.h"

#include <cstddef>

#include "strings/field.h"

void dm_srch(int idmf, std::string_view type, int nkeys, std::span<const int> keyloc,
             std::span<const int> ihdarr, int& ipos, int& iret) {
  ipos = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  const DmLabelValues& l = dm::label(idmf);
  const std::size_t f = dm::file_index(idmf);
  int first = 0, last = 0;
  const bool cols = strings::compare_padded(type, "COL") == 0;
  if (strings::compare_padded(type, "ROW") == 0) {
    first = 1;
    last = dmhdrs.klstrw[f];
  } else if (cols) {
    first = l.nrow + 1;
    last = l.nrow + dmhdrs.klstcl[f];
  } else {
    iret = dm::kDmNotFound;
    return;
  }
  // Key positions must lie within a header slot (0 is the in-use flag).
  const std::size_t n = nkeys > 0 ? static_cast<std::size_t>(nkeys) : 0;
  if (keyloc.size() < n || ihdarr.size() < n) {
    iret = dm::kDmBadArgument;
    return;
  }
  for (std::size_t j = 0; j < n; ++j) {
    if (keyloc[j] < 0 || keyloc[j] > dm::kMaxKeys) {
      iret = dm::kDmBadArgument;
      return;
    }
  }
  for (int islot = first; islot <= last && ipos == 0; ++islot) {
    const dm::HeaderSlot& slot = dm::header_slot(idmf, islot);
    std::size_t j = 0;
    while (j < n && slot[static_cast<std::size_t>(keyloc[j])] == ihdarr[j]) ++j;
    if (j == n) ipos = islot;
  }
  if (ipos != 0 && cols) ipos -= l.nrow;  // the column number, not the slot
  if (ipos == 0) iret = dm::kDmNotFound;
}
