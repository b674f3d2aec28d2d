// Data records: one variable-length record per (row, column, part), located
// through the data pointer table.
//
//   WORD (within the record)     CONTENTS
//   1                            L = ilenhd + kword, the number of words that follow
//   2 .. 1 + ilenhd              data header: ilenhd integers from the caller
//   2 + ilenhd .. 1 + L          kword data words, by part type:
//                                  1 reals as given; 4 packed records (dm_pack);
//                                  5 a grid block (dm_pkgd, dm_wpkg)
//
// A record takes L + 1 words of the file. A new record always goes to words
// that no record in use holds (allocated before the old record, if any, is
// given back), is written and flushed whole, and only then do the free-space
// block and the pointer name it: see cache.cpp for the write order and why a
// file stays sound at every instant. A failed write leaves the file as it was
// before the call (roll_back_record).
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <vector>

#include "dm/internal.h"
#include "dm/structure.h"
#include "pack/dp.h"
#include "pack/numeric.h"
#include "services/fl.h"

namespace {

// What dm_pkgd returns for a grid and dm_wpkg writes, and the packed words of
// the record (a packed grid or packed-real records), as many as it needs:
// a record's length is bounded only by what the file can address.
struct PackedData {
  int ipktyp = 0, nbits = 0, misflg = 0, kxky = 0, kx = 0;
  float ref = 0.0f, scale = 0.0f, difmin = 0.0f;
  std::vector<int> words;
};

// Room for the packed words of the data, by the part's type; false when the
// memory cannot be had.
bool reserve_packed(int idmf, int iprt, int nword, PackedData& p) {
  const DmPartDef& prt = dm::part(idmf, iprt);
  std::int64_t nwords = 0;
  if (prt.ktyprt == dm::kPartPackedReal && prt.kparms > 0) {
    nwords = (std::int64_t{nword} + prt.kparms - 1) / prt.kparms * std::max(prt.kwordp, 0);
  } else if (prt.ktyprt == dm::kPartPackedGrid && dmspce.ipktyp != 0) {
    // Decimal packing chooses its bit count: room for the widest codes.
    const int nbits =
        dmspce.ipktyp == 4 ? pack::kMaxFieldBits : std::clamp(dmspce.nbits, 0, pack::kMaxFieldBits);
    nwords = pack::packed_words(pack::grid_points(dmspce.igx, dmspce.igy), nbits);
  }
  try {
    p.words.resize(static_cast<std::size_t>(nwords));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// The last part whose name matches prtnam (the shorter padded with blanks); 0 if none.
int find_part(int idmf, std::string_view prtnam) {
  int iprt = 0;
  for (int i = 1; i <= dm::label(idmf).nprt; ++i) {
    if (dm::name_matches(prtnam, dm::part(idmf, i).kprtnm)) iprt = i;
  }
  return iprt;
}

// Packs the data by the part's type; kword the data words.
int pack_data(int idmf, int iprt, std::span<const float> rdata, int nword, int& kword,
              PackedData& p) {
  int iret = 0;
  if (!reserve_packed(idmf, iprt, nword, p)) return dm::kDmNoMemory;
  switch (dm::part(idmf, iprt).ktyprt) {
    case dm::kPartReal:
      if (rdata.size() < static_cast<std::size_t>(nword)) return dm::kDmBadArgument;
      kword = nword;
      return 0;
    case dm::kPartPackedReal:
      dm_pack(idmf, iprt, nword, rdata, kword, p.words, iret);
      return iret;
    case dm::kPartPackedGrid:
      dm_pkgd(rdata, p.words, kword, p.ipktyp, p.nbits, p.misflg, p.kxky, p.kx, p.ref, p.scale,
              p.difmin, iret);
      return iret;
    default:
      return dm::kDmBadType;
  }
}

// The record now at ipoint: its first word and length word (0 and 0 when none).
int old_record(int idmf, int ipoint, int& istart, int& lenold) {
  int iret = 0;
  std::array<int, 1> word{};
  dm_rint(idmf, ipoint, 1, word, iret);
  if (iret != 0) return iret;
  istart = word[0];
  lenold = 0;
  if (istart != 0) {
    dm_rint(idmf, istart, 1, word, iret);
    if (iret != 0) return iret;
    lenold = word[0];
  }
  return 0;
}

// The record's data words at isword, by the part's type.
int write_data(int idmf, int iprt, std::span<const float> rdata, int isword, int kword,
               const PackedData& p) {
  int iret = 0;
  switch (dm::part(idmf, iprt).ktyprt) {
    case dm::kPartReal:
      dm_wflt(idmf, isword, kword, rdata, iret);
      break;
    case dm::kPartPackedReal:
      dm_wint(idmf, isword, kword, p.words, iret);
      break;
    default:
      dm_wpkg(idmf, rdata, p.words, isword, kword, p.ipktyp, p.nbits, p.misflg, p.kxky, p.kx, p.ref,
              p.scale, p.difmin, iret);
      break;
  }
  return iret;
}

// Stores a record of length words (after its length word) for the pointer at
// ipoint: write_body(istart) writes them after the length word at istart.
// The steps keep the file sound at every instant (see cache.cpp); a failed
// write leaves the file as it was.
int store_record(int idmf, int ipoint, std::int64_t length,
                 const std::function<int(int)>& write_body) {
  int iold = 0, lenold = 0;
  int iret = old_record(idmf, ipoint, iold, lenold);
  if (iret != 0) return iret;
  // The record's words, its length word included, must all be addressable by the file.
  if (length < 0 || length + 1 > dm::kMaxWord) return dm::kDmBadArgument;
  const int lennew = static_cast<int>(length);

  // Words for the new record, in memory only; the file learns of them last.
  const DmFreeSpace saved = dm::free_space(idmf);
  int nword_before = 0, ier = 0;
  fl_dsiz(dm::iflun(idmf), nword_before, ier);
  int istart = 0;
  iret = dm::allocate_words(idmf, lennew + 1, istart);
  if (iret != 0) return iret;

  // 1. The record itself, flushed whole, where no listed record lies.
  dm_wint(idmf, istart, 1, std::array{lennew}, iret);
  if (iret == 0) iret = write_body(istart);
  if (iret == 0) dm_fwrt(idmf, iret);
  if (iret == 0) iret = dm::sync_file(idmf);
  // 2. The free-space block, which now covers the record.
  if (iret == 0) dm_wdmg(idmf, iret);
  if (iret == 0) iret = dm::sync_file(idmf);
  if (iret != 0) {
    dm::roll_back_record(idmf, saved, nword_before, istart);
    return iret;
  }
  // 3. The pointer: the record becomes that of the pointer. Should it fail,
  // the record stays allocated and unnamed, as the file says.
  dm_wint(idmf, ipoint, 1, std::array{istart}, iret);
  if (iret == 0) iret = dm::sync_file(idmf);
  if (iret != 0) return iret;
  // 4. The old record's words are free only once nothing points at them.
  if (lenold > 0) {
    dm_afre(idmf, lenold + 1, iold, ier);
    dm_wdmg(idmf, iret);
  }
  return iret;
}

}  // namespace

void dm_wdtr(int idmf, int irow, int icol, std::string_view prtnam, std::span<const int> idthdr,
             std::span<const float> rdata, int nword, int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  if (dmfile.kwrite[dm::file_index(idmf)] == 0) {
    iret = dm::kDmNotWritable;
    return;
  }
  if (nword <= 0) return;
  const DmLabelValues& lbl = dm::label(idmf);
  if (irow < 1 || irow > lbl.nrow || icol < 1 || icol > lbl.ncol) {
    iret = dm::kDmBadRowCol;
    return;
  }
  const int iprt = find_part(idmf, prtnam);
  if (iprt == 0) {
    iret = dm::kDmNoPart;
    return;
  }
  const int ilenhd = dm::part(idmf, iprt).klnhdr;
  if (idthdr.size() < static_cast<std::size_t>(ilenhd)) {
    iret = dm::kDmBadArgument;
    return;
  }

  int kword = 0;
  PackedData packed;
  iret = pack_data(idmf, iprt, rdata, nword, kword, packed);
  if (iret != 0) return;

  const int ipoint = dm::data_pointer_word(lbl.datbeg, lbl.ncol, lbl.nprt, irow, icol, iprt);
  iret = store_record(idmf, ipoint, std::int64_t{kword} + ilenhd, [&](int istart) {
    int ier = 0;
    if (ilenhd > 0) dm_wint(idmf, istart + 1, ilenhd, idthdr, ier);
    if (ier == 0) ier = write_data(idmf, iprt, rdata, istart + 1 + ilenhd, kword, packed);
    return ier;
  });
}

namespace dm {

int read_record_words(int idmf, int irow, int icol, std::string_view prtnam,
                      std::vector<int>& words) {
  words.clear();
  int iprt = 0, istart = 0, length = 0;
  int iret = locate_record(idmf, irow, icol, prtnam, iprt, istart, length);
  if (iret != 0) return iret;
  words.resize(static_cast<std::size_t>(length));
  dm_rint(idmf, istart + 1, length, words, iret);
  return iret;
}

int write_record_words(int idmf, int irow, int icol, std::string_view prtnam,
                       std::span<const int> words) {
  int iret = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return iret;
  if (dmfile.kwrite[file_index(idmf)] == 0) return kDmNotWritable;
  const DmLabelValues& lbl = label(idmf);
  if (irow < 1 || irow > lbl.nrow || icol < 1 || icol > lbl.ncol) return kDmBadRowCol;
  const int iprt = find_part(idmf, prtnam);
  if (iprt == 0) return kDmNoPart;
  const int length = static_cast<int>(words.size());
  if (length < part(idmf, iprt).klnhdr || words.size() > std::size_t{INT32_MAX} / 2) {
    return kDmBadArgument;
  }
  const int ipoint = data_pointer_word(lbl.datbeg, lbl.ncol, lbl.nprt, irow, icol, iprt);
  return store_record(idmf, ipoint, length, [&](int istart) {
    int ier = 0;
    if (length > 0) dm_wint(idmf, istart + 1, length, words, ier);
    return ier;
  });
}

}  // namespace dm

void dm_pack(int idmf, int iprt, int nword, std::span<const float> rdata, int& kword,
             std::span<int> idata, int& iret) {
  iret = 0;
  kword = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  if (iprt < 1 || iprt > dm::label(idmf).nprt) {
    iret = dm::kDmNoPart;
    return;
  }
  const DmPartDef& prt = dm::part(idmf, iprt);
  const int nparms = prt.kparms;
  if (nword <= 0) return;
  if (prt.ktyprt != dm::kPartPackedReal || prt.kpkno <= 0 || nparms <= 0) {
    iret = dm::kDmPackFailed;
    return;
  }
  const int npack = (nword - 1) / nparms + 1;
  if (npack * nparms != nword) {
    iret = dm::kDmBadWordCount;
    return;
  }
  if (rdata.size() < static_cast<std::size_t>(nword)) {
    iret = dm::kDmBadArgument;
    return;
  }
  // The packed records must fit the caller's array: checked before any is packed.
  const std::int64_t nout = std::int64_t{npack} * prt.kwordp;
  if (nout > static_cast<std::int64_t>(idata.size())) {
    iret = dm::kDmPackedTooLong;
    return;
  }

  std::size_t ir = 0, ii = 0;
  for (int n = 0; n < npack; ++n) {
    int ier = 0;
    dp_pack(prt.kpkno, rdata.subspan(ir), idata.subspan(ii), ier);
    if (ier != 0) {
      iret = dm::kDmPackFailed;
      return;
    }
    ir += static_cast<std::size_t>(nparms);
    ii += static_cast<std::size_t>(prt.kwordp);
  }
  kword = static_cast<int>(nout);
}
