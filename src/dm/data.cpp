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
// A record takes L + 1 words of the file. Rewriting it with the same length
// reuses its words; another length gives them back and allocates anew. The
// pointer is written last, so until then the table holds the old address.
#include "dm/dm.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "dm/internal.h"
#include "pack/dp.h"

namespace {

// What dm_pkgd returns for a grid and dm_wpkg writes.
struct GridBlock {
  int ipktyp = 0, nbits = 0, misflg = 0, kxky = 0, kx = 0;
  float ref = 0.0f, scale = 0.0f, difmin = 0.0f;
};

// The last part whose name matches prtnam (the shorter padded with blanks); 0 if none.
int find_part(int idmf, std::string_view prtnam) {
  int iprt = 0;
  for (int i = 1; i <= dm::label(idmf).nprt; ++i) {
    if (dm::name_matches(prtnam, dm::part(idmf, i).kprtnm)) iprt = i;
  }
  return iprt;
}

// Packs the data by the part's type into its work area; kword the data words.
int pack_data(int idmf, int iprt, std::span<const float> rdata, int nword, int& kword,
              GridBlock& g) {
  int iret = 0;
  switch (dm::part(idmf, iprt).ktyprt) {
    case dm::kPartReal:
      if (rdata.size() < static_cast<std::size_t>(nword)) return dm::kDmBadArgument;
      kword = nword;
      return 0;
    case dm::kPartPackedReal:
      dm_pack(idmf, iprt, nword, rdata, kword, dmspce.iscrch, iret);
      return iret;
    case dm::kPartPackedGrid:
      dm_pkgd(rdata, dmspce.igpack, kword, g.ipktyp, g.nbits, g.misflg, g.kxky, g.kx, g.ref,
              g.scale, g.difmin, iret);
      return iret;
    default:
      return dm::kDmBadType;
  }
}

// Where the record of length lennew goes: its old words when the length is
// unchanged, else new words (the old ones given back first), the length
// word written there.
int place_record(int idmf, int ipoint, int lennew, int& istart) {
  int iret = 0;
  std::array<int, 1> word{};
  dm_rint(idmf, ipoint, 1, word, iret);
  if (iret != 0) return iret;
  istart = word[0];
  int lenold = 0;
  if (istart != 0) {
    dm_rint(idmf, istart, 1, word, iret);
    if (iret != 0) return iret;
    lenold = word[0];
  }
  if (lenold == lennew) return 0;
  if (lenold > 0) dm_afre(idmf, lenold + 1, istart, iret);
  dm_gspc(idmf, lennew + 1, istart, iret);
  if (iret != 0) return iret;
  dm_wint(idmf, istart, 1, std::array{lennew}, iret);
  return iret;
}

// The record's data words at isword, by the part's type.
int write_data(int idmf, int iprt, std::span<const float> rdata, int isword, int kword,
               const GridBlock& g) {
  int iret = 0;
  switch (dm::part(idmf, iprt).ktyprt) {
    case dm::kPartReal:
      dm_wflt(idmf, isword, kword, rdata, iret);
      break;
    case dm::kPartPackedReal:
      dm_wint(idmf, isword, kword, dmspce.iscrch, iret);
      break;
    default:
      dm_wpkg(idmf, rdata, dmspce.igpack, isword, kword, g.ipktyp, g.nbits, g.misflg, g.kxky, g.kx,
              g.ref, g.scale, g.difmin, iret);
      break;
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
  GridBlock grid;
  iret = pack_data(idmf, iprt, rdata, nword, kword, grid);
  if (iret != 0) return;

  const int ipoint = dm::data_pointer_word(lbl.datbeg, lbl.ncol, lbl.nprt, irow, icol, iprt);
  int istart = 0;
  iret = place_record(idmf, ipoint, kword + ilenhd, istart);
  if (iret != 0) return;

  int isword = istart + 1;
  if (ilenhd > 0) {
    dm_wint(idmf, isword, ilenhd, idthdr, iret);
    if (iret != 0) return;
    isword += ilenhd;
  }
  iret = write_data(idmf, iprt, rdata, isword, kword, grid);
  if (iret != 0) return;
  dm_wint(idmf, ipoint, 1, std::array{istart}, iret);
}

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
  // The packed records must fit the work area: checked before any is packed.
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
