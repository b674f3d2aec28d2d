// Questions about an open DM file answered from its tables and its file
// headers: the contents of a file header, a column header, a part's layout.
#include "dm/dm.h"

#include <array>

#include "dm/internal.h"
#include "dm/structure.h"

void dm_rfhr(int idmf, std::string_view fhdnam, int maxw, std::span<float> rvals, int& nword,
             int& iret) {
  nword = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  const DmLabelValues& l = dm::label(idmf);
  const DmFileHeaderDefs& fh = dm::file_headers(idmf);
  int k = 0;  // the last header of that name, as the writer chooses it
  for (int i = 1; i <= l.nfhdrs; ++i) {
    if (dm::name_matches(fhdnam, fh.kfhnam[static_cast<std::size_t>(i - 1)])) k = i;
  }
  if (k == 0) {
    iret = dm::kDmNoFileHeader;
    return;
  }
  if (fh.kfhtyp[static_cast<std::size_t>(k - 1)] != dm::kFileHeaderReal) {
    iret = dm::kDmBadType;
    return;
  }
  const int iarea = dm::file_header_area_word(l.fhdbeg, l.nfhdrs, fh.kfhlen, k);
  std::array<int, 1> lw{};
  dm_rint(idmf, iarea, 1, lw, iret);
  if (iret != 0) return;
  const int nstored = lw[0];
  // The area holds the declared length; a length word beyond it is damage.
  if (nstored < 0 || nstored > fh.kfhlen[static_cast<std::size_t>(k - 1)]) {
    iret = dm::kDmDamaged;
    return;
  }
  if (nstored > maxw || static_cast<std::size_t>(nstored) > rvals.size()) {
    iret = dm::kDmBadArgument;
    return;
  }
  iret = dm::read_reals(idmf, iarea + 1, nstored, rvals);
  if (iret == 0) nword = nstored;
}

void dm_rclh(int idmf, int icol, std::span<int> ihdarr, int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  const DmLabelValues& l = dm::label(idmf);
  if (icol < 1 || icol > l.ncol) {
    iret = dm::kDmBadRowCol;
    return;
  }
  if (ihdarr.size() < static_cast<std::size_t>(l.nckeys)) {
    iret = dm::kDmBadArgument;
    return;
  }
  const dm::HeaderSlot& slot = dm::header_slot(idmf, l.nrow + icol);
  if (slot[0] != dm::kHeaderInUse) {
    iret = dm::kDmHeaderUnused;
    return;
  }
  for (int k = 1; k <= l.nckeys; ++k) {
    ihdarr[static_cast<std::size_t>(k - 1)] = slot[static_cast<std::size_t>(k)];
  }
}

void dm_qprt(int idmf, std::string_view prtnam, int& ilenhd, int& ityprt, int& nparms, int& iret) {
  ilenhd = ityprt = nparms = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  const int iprt = dm::find_part(idmf, prtnam);
  if (iprt == 0) {
    iret = dm::kDmNoPart;
    return;
  }
  const DmPartDef& part = dm::part(idmf, iprt);
  ilenhd = part.klnhdr;
  ityprt = part.ktyprt;
  nparms = part.kparms;
}
