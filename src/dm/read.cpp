// Reading data records back: a record is found through the data pointer
// table, its pointer and length word are checked against the data area before
// anything else is read, and its data are unpacked by the part's type. A file
// can say anything: no word is read outside the data area and nothing is
// written outside the caller's arrays.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <vector>

#include "dm/internal.h"
#include "dm/structure.h"
#include "pack/dp.h"
#include "services/fl.h"

namespace {

// Integer words of the record at isword (inside the record, checked by the caller).
int read_ints(int idmf, int isword, std::span<int> out) {
  int iret = 0;
  dm_rint(idmf, isword, static_cast<int>(out.size()), out, iret);
  return iret;
}

// Packed real part: kword words of npack records of nwdrec words each.
int read_packed_reals(int idmf, int iprt, int isword, int kword, std::span<float> rdata,
                      int& nword) {
  const DmPartDef& part = dm::part(idmf, iprt);
  const int nwdrec = part.kwordp;
  const int nparms = part.kparms;
  if (part.kpkno <= 0 || nwdrec <= 0 || nparms <= 0) return dm::kDmPackFailed;
  if (kword % nwdrec != 0) return dm::kDmDamaged;
  const int npack = kword / nwdrec;
  if (std::int64_t{npack} * nparms > static_cast<std::int64_t>(rdata.size())) {
    return dm::kDmBadArgument;
  }
  std::array<int, dm::kMaxParms> packed{};  // 40 fields of at most 31 bits take < 40 words
  for (int k = 0; k < npack; ++k) {
    std::span<int> words = std::span<int>(packed).first(static_cast<std::size_t>(nwdrec));
    int ier = read_ints(idmf, isword + k * nwdrec, words);
    if (ier != 0) return ier;
    dp_unpk(part.kpkno, words,
            rdata.subspan(static_cast<std::size_t>(k) * static_cast<std::size_t>(nparms),
                          static_cast<std::size_t>(nparms)),
            ier);
    if (ier != 0) return dm::kDmPackFailed;
  }
  nword = npack * nparms;
  return dm::kDmOk;
}

// Words needed for kxky codes of nbits bits.
std::int64_t code_words(std::int64_t kxky, int nbits) {
  return (kxky * nbits + 31) / 32;
}

// Packed grid: the grid block of kword words at isword.
int read_grid_block(int idmf, int isword, int kword, std::span<float> rdata, int& nword) {
  if (kword < 1) return dm::kDmDamaged;
  std::array<int, 8> head{};
  int ier = read_ints(idmf, isword, std::span<int>(head).first(1));
  if (ier != 0) return ier;
  const int ipktyp = head[0];
  if (ipktyp == 0) {
    const int kxky = kword - 1;
    if (static_cast<std::size_t>(kxky) > rdata.size()) return dm::kDmBadArgument;
    ier = dm::read_reals(idmf, isword + 1, kxky, rdata);
    if (ier == 0) nword = kxky;
    return ier;
  }
  if (ipktyp != 1 && ipktyp != 3) return dm::kDmBadPackType;
  // 1: nbits, flag, kxky, ref, scale; 3: nbits, flag, kxky, kx, ref, scale, difmin.
  const int nhead = ipktyp == 1 ? 6 : 8;
  if (kword < nhead) return dm::kDmDamaged;
  ier = read_ints(idmf, isword, std::span<int>(head).first(static_cast<std::size_t>(nhead)));
  if (ier != 0) return ier;
  const int nbits = head[1];
  const int kxky = head[3];
  const int lendat = kword - nhead;
  if (nbits < 1 || nbits > pack::kMaxFieldBits || kxky < 1 || code_words(kxky, nbits) != lendat) {
    return dm::kDmDamaged;
  }
  if (static_cast<std::size_t>(kxky) > rdata.size()) return dm::kDmBadArgument;
  // The codes take memory per grid: a record is as long as its grid needs.
  std::vector<int> idata;
  try {
    idata.resize(static_cast<std::size_t>(lendat));
  } catch (const std::bad_alloc&) {
    return dm::kDmNoMemory;
  }
  ier = read_ints(idmf, isword + nhead, idata);
  if (ier != 0) return ier;
  if (ipktyp == 1) {
    const float ref = std::bit_cast<float>(head[4]);
    const float scale = std::bit_cast<float>(head[5]);
    dp_ugrb(idata, kxky, nbits, ref, scale, rdata, ier);
  } else {
    const int kx = head[4];
    if (kx < 1 || kxky % kx != 0) return dm::kDmDamaged;
    const float ref = std::bit_cast<float>(head[5]);
    const float scale = std::bit_cast<float>(head[6]);
    const float difmin = std::bit_cast<float>(head[7]);
    dp_udif(idata, kx, kxky / kx, nbits, ref, difmin, scale, rdata, ier);
  }
  if (ier != 0) return dm::kDmDamaged;
  nword = kxky;
  return dm::kDmOk;
}

}  // namespace

namespace dm {

int find_part(int idmf, std::string_view prtnam) {
  int iprt = 0;
  for (int i = 1; i <= label(idmf).nprt; ++i) {
    if (name_matches(prtnam, part(idmf, i).kprtnm)) iprt = i;
  }
  return iprt;
}

Problem record_extent(int idmf, std::int64_t istart, int ilenhd, int& length) {
  length = 0;
  const std::int64_t first = data_area_start(idmf);
  const std::int64_t ifnext = free_space(idmf).ifnext;
  if (istart < first || istart >= ifnext) {
    return {kDmDamaged,
            "points to word " + std::to_string(istart) + ", outside the data area (words " +
                std::to_string(first) + " to " + std::to_string(ifnext - 1) + ")",
            0};
  }
  std::array<int, 1> lw{};
  int ier = 0;
  dm_rint(idmf, static_cast<int>(istart), 1, lw, ier);
  if (ier != 0) return {ier, "its length word cannot be read", 0};
  length = lw[0];
  int nfword = 0;
  fl_dsiz(iflun(idmf), nfword, ier);
  if (ier == 0 && length >= ilenhd && istart + length < ifnext && istart + length > nfword) {
    return {kDmDamaged,
            "record at word " + std::to_string(istart) + " has the length word " +
                std::to_string(length) + ", running past the end of the file at word " +
                std::to_string(nfword),
            0};
  }
  if (length < ilenhd || istart + length >= ifnext) {
    return {kDmDamaged,
            "record at word " + std::to_string(istart) + " has the length word " +
                std::to_string(length) + ", " +
                (length < ilenhd
                     ? "shorter than the part's header of " + std::to_string(ilenhd)
                     : "running past the data area's end at word " + std::to_string(ifnext - 1)),
            0};
  }
  return {};
}

int locate_record(int idmf, int irow, int icol, std::string_view prtnam, int& iprt, int& istart,
                  int& length) {
  iprt = istart = length = 0;
  int iret = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return iret;
  const DmLabelValues& l = label(idmf);
  if (irow < 1 || irow > l.nrow || icol < 1 || icol > l.ncol) return kDmBadRowCol;
  iprt = find_part(idmf, prtnam);
  if (iprt == 0) return kDmNoPart;
  std::array<int, 1> ptr{};
  dm_rint(idmf, data_pointer_word(l.datbeg, l.ncol, l.nprt, irow, icol, iprt), 1, ptr, iret);
  if (iret != 0) return iret;
  istart = ptr[0];
  if (istart == 0) return kDmNoData;
  return record_extent(idmf, istart, part(idmf, iprt).klnhdr, length).code;
}

int read_reals(int idmf, int isword, int nword, std::span<float> rdata) {
  const float rmissv = label(idmf).rmissv;
  const bool substitute = std::bit_cast<int>(rmissv) != std::bit_cast<int>(kMissingReal);
  std::array<int, kRecordWords> chunk{};
  for (int done = 0; done < nword;) {
    const int n = std::min(nword - done, kRecordWords);
    std::span<int> words = std::span<int>(chunk).first(static_cast<std::size_t>(n));
    int iret = 0;
    dm_rint(idmf, isword + done, n, words, iret);
    if (iret != 0) return iret;
    for (int i = 0; i < n; ++i) {
      const int w = words[static_cast<std::size_t>(i)];
      float& out = rdata[static_cast<std::size_t>(done + i)];
      out = substitute && w == std::bit_cast<int>(rmissv) ? kMissingReal : std::bit_cast<float>(w);
    }
    done += n;
  }
  return kDmOk;
}

}  // namespace dm

void dm_rdtr(int idmf, int irow, int icol, std::string_view prtnam, std::span<int> idthdr,
             std::span<float> rdata, int& nword, int& iret) {
  nword = 0;
  int iprt = 0, istart = 0, length = 0;
  iret = dm::locate_record(idmf, irow, icol, prtnam, iprt, istart, length);
  if (iret != 0) return;
  const DmPartDef& part = dm::part(idmf, iprt);
  const int ilenhd = part.klnhdr;
  if (static_cast<std::size_t>(ilenhd) > idthdr.size()) {
    iret = dm::kDmBadArgument;
    return;
  }
  iret = read_ints(idmf, istart + 1, idthdr.first(static_cast<std::size_t>(ilenhd)));
  if (iret != 0) return;
  const int isword = istart + 1 + ilenhd;
  const int kword = length - ilenhd;
  switch (part.ktyprt) {
    case dm::kPartReal:
      if (static_cast<std::size_t>(kword) > rdata.size()) {
        iret = dm::kDmBadArgument;
        return;
      }
      iret = dm::read_reals(idmf, isword, kword, rdata);
      if (iret == 0) nword = kword;
      return;
    case dm::kPartPackedReal:
      iret = read_packed_reals(idmf, iprt, isword, kword, rdata, nword);
      return;
    case dm::kPartPackedGrid:
      iret = read_grid_block(idmf, isword, kword, rdata, nword);
      return;
    default:
      iret = dm::kDmBadType;
  }
}

void dm_rgpk(int idmf, int irow, int icol, std::string_view prtnam, int& ipktyp, int& nbits,
             int& iret) {
  ipktyp = nbits = 0;
  int iprt = 0, istart = 0, length = 0;
  iret = dm::locate_record(idmf, irow, icol, prtnam, iprt, istart, length);
  if (iret != 0) return;
  const DmPartDef& part = dm::part(idmf, iprt);
  if (part.ktyprt != dm::kPartPackedGrid) {
    iret = dm::kDmBadType;
    return;
  }
  const int kword = length - part.klnhdr;
  std::array<int, 2> head{};
  if (kword < 1) {
    iret = dm::kDmDamaged;
    return;
  }
  const int nread = kword >= 2 ? 2 : 1;
  iret = read_ints(idmf, istart + 1 + part.klnhdr,
                   std::span<int>(head).first(static_cast<std::size_t>(nread)));
  ipktyp = head[0];
  nbits = ipktyp == 0 ? 0 : head[1];
}
