// Creating a DM file (claiming a file number, setting up its tables, laying
// out and writing every section), finding a free file number, closing, and
// filling a run of words with one value. A new file is written under a
// temporary name and given its own only when complete (publish_file), so a
// creation that fails or is killed leaves no file of that name.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "dm/internal.h"
#include "pack/dp.h"
#include "services/er.h"
#include "services/fl.h"

namespace {

// Every count within its limit and every array as long as its count says.
// Also refuses negative counts and lengths, and parts with more parameters
// than maxprm, which would overlap sections or index past the arrays.
bool counts_valid(int nfhdrs, std::span<const std::string_view> fhdnam, std::span<const int> ifhlen,
                  std::span<const int> ifhtyp, int nrow, int nrkeys,
                  std::span<const std::string_view> krownm, int ncol, int nckeys,
                  std::span<const std::string_view> kcolnm, int nprt,
                  std::span<const std::string_view> prtnam, std::span<const int> idthdr,
                  std::span<const int> ityprt, std::span<const int> nparm, int maxprm,
                  std::span<const std::string_view> parms, std::span<const int> iscale,
                  std::span<const int> iofset, std::span<const int> ibits) {
  auto covers = [](auto span, std::int64_t n) { return std::int64_t(span.size()) >= n; };
  if (nrow <= 0 || ncol <= 0 || std::int64_t{nrow} + ncol > dm::kMaxRowsCols) return false;
  if (nprt <= 0 || nprt > dm::kMaxParts || maxprm > dm::kMaxParms) return false;
  if (nfhdrs < 0 || nfhdrs > dm::kMaxFileHeaders) return false;
  if (nrkeys < 0 || nrkeys > dm::kMaxKeys || nckeys < 0 || nckeys > dm::kMaxKeys) return false;
  if (!covers(fhdnam, nfhdrs) || !covers(ifhlen, nfhdrs) || !covers(ifhtyp, nfhdrs)) return false;
  if (!covers(krownm, nrkeys) || !covers(kcolnm, nckeys)) return false;
  if (!covers(prtnam, nprt) || !covers(idthdr, nprt) || !covers(ityprt, nprt) ||
      !covers(nparm, nprt))
    return false;
  for (int i = 0; i < nfhdrs; ++i) {
    if (ifhlen[static_cast<std::size_t>(i)] < 0) return false;
  }
  for (int i = 0; i < nprt; ++i) {
    auto s = static_cast<std::size_t>(i);
    if (idthdr[s] < 0 || nparm[s] < 0 || nparm[s] > maxprm) return false;
    std::int64_t end = std::int64_t{i} * maxprm + nparm[s];  // parameters of part i+1
    if (!covers(parms, end) || !covers(iscale, end) || !covers(iofset, end) || !covers(ibits, end))
      return false;
  }
  return true;
}

std::int64_t sum_header_areas(int nfhdrs, std::span<const int> ifhlen) {
  std::int64_t lenfil = 0;
  for (int i = 0; i < nfhdrs; ++i) lenfil += std::int64_t{ifhlen[static_cast<std::size_t>(i)]} + 1;
  return lenfil;
}

std::int64_t sum_parameters(int nprt, std::span<const int> nparm) {
  std::int64_t lenprt = 0;
  for (int i = 0; i < nprt; ++i) lenprt += nparm[static_cast<std::size_t>(i)];
  return lenprt;
}

// Whether dm_cret names the file when it ends (see set_publish_on_create).
bool publish_on_create = true;
// Whether a new file is to take the place of a file of its name (see
// set_replace_on_publish).
bool replace_on_publish = false;

// The structural sections, in file order, then a flush. Stops at the first failure.
int write_sections(int idmf, std::int64_t lenfil) {
  const DmLabelValues& l = dm::label(idmf);
  int iret = 0;
  dm_wlbl(idmf, iret);
  if (iret == 0) dm_wdmg(idmf, iret);
  if (iret == 0) dm_wkey(idmf, iret);
  if (iret == 0) dm_wfil(idmf, iret);
  if (iret == 0) dm_cnst(idmf, 0, l.fhdbeg + 3 * l.nfhdrs, static_cast<int>(lenfil), iret);
  if (iret == 0) dm_wprt(idmf, iret);
  if (iret == 0) dm_whda(idmf, iret);
  if (iret == 0) dm_cnst(idmf, 0, l.datbeg, l.nrow * l.ncol * l.nprt, iret);
  if (iret == 0) dm_fwrt(idmf, iret);
  return iret;
}

}  // namespace

void dm_cret(std::string_view filnam, int iftype, int ifsrce, int nfhdrs,
             std::span<const std::string_view> fhdnam, std::span<const int> ifhlen,
             std::span<const int> ifhtyp, int nrow, int nrkeys,
             std::span<const std::string_view> krownm, int ncol, int nckeys,
             std::span<const std::string_view> kcolnm, int nprt,
             std::span<const std::string_view> prtnam, std::span<const int> idthdr,
             std::span<const int> ityprt, std::span<const int> nparm, int maxprm,
             std::span<const std::string_view> parms, std::span<const int> iscale,
             std::span<const int> iofset, std::span<const int> ibits, int& idmf, int& iret) {
  dm_getf(idmf, iret);
  if (iret != 0) return;
  if (!counts_valid(nfhdrs, fhdnam, ifhlen, ifhtyp, nrow, nrkeys, krownm, ncol, nckeys, kcolnm,
                    nprt, prtnam, idthdr, ityprt, nparm, maxprm, parms, iscale, iofset, ibits)) {
    iret = dm::kDmBadLayout;
    return;
  }
  const std::int64_t lenfil = sum_header_areas(nfhdrs, ifhlen);
  const std::int64_t lenprt = sum_parameters(nprt, nparm);
  const dm::SectionStarts at =
      dm::place_sections(nfhdrs, lenfil, nrow, nrkeys, ncol, nckeys, nprt, lenprt);
  if (!at.fits_in_words()) {  // beyond what 32-bit word addresses reach
    iret = dm::kDmBadLayout;
    return;
  }

  int lun = 0, ier = 0;
  if (replace_on_publish) {
    fl_dcrr(filnam, dm::kRecordWords, lun, ier);
  } else {
    fl_dcrp(filnam, dm::kRecordWords, lun, ier);
  }
  if (ier != 0) {
    dm::report_file_error(ier, filnam);
    iret = dm::kDmCreateFailed;
    return;
  }
  const std::size_t f = dm::file_index(idmf);
  dm::iflun(idmf) = lun;
  dmfile.kwrite[f] = 1;
  dmfile.kshare[f] = 0;
  // Parts of an earlier file under this number must not look like ours to dm_clos.
  for (auto& p : dmpart.file[f]) {
    p.ktyprt = 0;
    p.kpkno = 0;
    p.kwordp = 0;
  }

  DmFreeSpace& fs = dm::free_space(idmf);
  fs = {};
  fs.ifmaxf = dm::kMaxFreeBlocks;
  fs.ifnext = static_cast<int>(at.ifnext);

  DmLabelValues& l = dm::label(idmf);
  l = {};
  l.lblver = dm::kLabelVersion;
  l.iftype = iftype;
  l.ifsrce = ifsrce;
  l.nfhdrs = nfhdrs;
  l.nrow = nrow;
  l.nrkeys = nrkeys;
  l.ncol = ncol;
  l.nckeys = nckeys;
  l.nprt = nprt;
  l.fsbbeg = dm::kFsbbeg;
  l.fsblen = dm::kFsblen;
  l.rkybeg = static_cast<int>(at.rkybeg);
  l.ckybeg = static_cast<int>(at.ckybeg);
  l.fhdbeg = static_cast<int>(at.fhdbeg);
  l.rhdbeg = static_cast<int>(at.rhdbeg);
  l.chdbeg = static_cast<int>(at.chdbeg);
  l.prtbeg = static_cast<int>(at.prtbeg);
  l.datbeg = static_cast<int>(at.datbeg);
  l.mchtyp = dm::kHostMachine;
  l.imissv = dm::kMissingInt;
  l.rmissv = dm::kMissingReal;

  DmKeyNames& k = dm::keys(idmf);
  for (int i = 0; i < nrkeys; ++i)
    k.krow[static_cast<std::size_t>(i)] = dm::to_name4(krownm[static_cast<std::size_t>(i)]);
  for (int i = 0; i < nckeys; ++i)
    k.kcol[static_cast<std::size_t>(i)] = dm::to_name4(kcolnm[static_cast<std::size_t>(i)]);

  DmFileHeaderDefs& fh = dm::file_headers(idmf);
  for (int i = 0; i < nfhdrs; ++i) {
    auto s = static_cast<std::size_t>(i);
    fh.kfhnam[s] = dm::to_name4(fhdnam[s]);
    fh.kfhlen[s] = ifhlen[s];
    fh.kfhtyp[s] = ifhtyp[s];
  }

  for (int i = 1; i <= nprt; ++i) {
    auto s = static_cast<std::size_t>(i - 1);
    DmPartDef& p = dm::part(idmf, i);
    p.kprtnm = dm::to_name4(prtnam[s]);
    p.klnhdr = idthdr[s];
    p.ktyprt = ityprt[s];
    p.kparms = nparm[s];
    const std::size_t first = s * static_cast<std::size_t>(std::max(maxprm, 0));
    for (int j = 1; j <= p.kparms; ++j) {
      std::size_t a = first + dm::parm(j);
      p.kprmnm[dm::parm(j)] = dm::to_name4(parms[a]);
      p.kscale[dm::parm(j)] = iscale[a];
      p.koffst[dm::parm(j)] = iofset[a];
      p.kbits[dm::parm(j)] = ibits[a];
    }
    if (p.ktyprt == dm::kPartPackedReal) {
      int kdesc = 0, nwdrec = 0;
      dp_setp(p.kparms, p.kscale, p.koffst, p.kbits, kdesc, nwdrec, ier);
      if (ier != 0) {
        iret = dm::kDmPackSetup;
        er_wmsg("DM", iret, std::string_view(p.kprtnm.data(), p.kprtnm.size()), ier);
        dm_clos(idmf, ier);
        return;
      }
      p.kpkno = kdesc;
      p.kwordp = nwdrec;
    }
  }

  // Every header unused, every key value missing.
  for (int islot = 1; islot <= nrow + ncol; ++islot)
    dm::header_slot(idmf, islot).fill(dm::kMissingInt);
  dmhdrs.klstrw[f] = 0;
  dmhdrs.klstcl[f] = 0;

  iret = write_sections(idmf, lenfil);
  if (iret == 0 && publish_on_create) iret = dm::publish_file(idmf, filnam);
  if (iret != 0) {
    dm_clos(idmf, ier);  // a file never named is removed
    return;
  }
  dmsrch.ksrch[f].fill(0);
}

namespace dm {

void set_publish_on_create(bool on) {
  publish_on_create = on;
}

void set_replace_on_publish(bool on) {
  replace_on_publish = on;
}

int publish_file(int idmf, std::string_view filnam) {
  int iret = 0;
  dm_fwrt(idmf, iret);
  if (iret != 0) return iret;
  iret = sync_file(idmf);
  if (iret != 0) return iret;
  int ier = 0;
  fl_dpub(iflun(idmf), ier);
  if (ier != 0) {
    report_file_error(ier, filnam);
    return kDmCreateFailed;
  }
  return kDmOk;
}

}  // namespace dm

void dm_getf(int& idmf, int& iret) {
  idmf = 0;
  iret = 0;
  for (int i = dm::kMaxFiles; i >= 1; --i) {
    if (dm::iflun(i) < 0) idmf = i;
  }
  if (idmf == 0) iret = dm::kDmNoFileNumber;
}

void dm_clos(int idmf, int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  int ier = 0;
  dm_fwrt(idmf, ier);
  fl_clos(dm::iflun(idmf), ier);
  dm::iflun(idmf) = -1;
  for (int isl = 1; isl <= dm::kCacheSlots; ++isl) {
    std::size_t s = dm::slot_index(isl);
    if (gmdm.icfile[s] == idmf) {
      gmdm.icfile[s] = 0;
      gmdm.icdrty[s] = 0;  // already clean after the flush
    }
  }
  for (int i = 1; i <= dm::label(idmf).nprt; ++i) {
    const DmPartDef& p = dm::part(idmf, i);
    if (p.ktyprt == dm::kPartPackedReal && p.kpkno > 0) dp_endp(p.kpkno, ier);
  }
  dm::check_cache();
}

void dm_cnst(int idmf, int ival, int isword, int nword, int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  std::array<int, dm::kRecordWords> buffer;
  buffer.fill(ival);
  int done = 0;
  while (done < nword) {
    int n = std::min(nword - done, dm::kRecordWords);
    dm_wint(idmf, isword + done, n, buffer, iret);
    if (iret != 0) return;
    done += n;
  }
}
