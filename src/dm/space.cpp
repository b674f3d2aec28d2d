// Free space of a DM file: a list of up to 62 free blocks sorted by decreasing
// length, and the next free word at the end of the file. Allocation takes the
// shortest block that fits, else extends the file; blocks given back merge with
// their free neighbours. The list is mirrored in the file's free-space block.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "dm/internal.h"
#include "services/fl.h"

namespace {

constexpr int kLength = 0;  // fields of a free-list entry
constexpr int kFirst = 1;

// Entry k (1-based) of the list.
std::array<int, 2>& entry(DmFreeSpace& fs, int k) {
  return fs.iffree[static_cast<std::size_t>(k - 1)];
}

// Shared files: make the new end of the file exist on disk ahead of use, 49
// records beyond the record holding iend, and let the I/O layer see it.
// A file end at word 1000 (record 8) writes record 57 and sets ifextd 7296.
void pre_extend(int idmf, int iend) {
  DmFreeSpace& fs = dm::free_space(idmf);
  if (iend <= fs.ifextd) return;
  int irec = 0, jword = 0, ier = 0;
  dm_word(iend, irec, jword, ier);
  irec = irec + 49;
  const std::array<int, 1> zero{0};
  fl_writ(dm::iflun(idmf), irec, 1, zero, ier);
  dm_fwrt(idmf, ier);
  dm_clop(idmf, ier);
  fs.ifextd = dm::kRecordWords * irec;
}

}  // namespace

namespace dm {

int allocate_words(int idmf, int nwords, int& istart) {
  istart = 0;
  int iret = 0;
  DmFreeSpace& fs = dm::free_space(idmf);
  // A run of no words, or one the 32-bit word addresses cannot reach, is refused.
  if (nwords < 1 || std::int64_t{fs.ifnext} + nwords + 49 * dm::kRecordWords > dm::kMaxWord) {
    return dm::kDmBadArgument;
  }
  bool newspc = false;
  for (int knt = fs.ifnfre; knt >= 1 && istart == 0; --knt) {
    const std::array<int, 2> blk = entry(fs, knt);
    if (blk[kLength] >= nwords) {
      istart = blk[kFirst];
      int numblk = blk[kLength] - nwords;
      int locblk = blk[kFirst] + nwords;
      dm_efre(idmf, knt, iret);
      if (numblk > 0) dm_afre(idmf, numblk, locblk, iret);
    }
  }
  if (istart == 0) {
    istart = fs.ifnext;
    fs.ifnext = fs.ifnext + nwords;
    newspc = true;
  }
  if (newspc && dmfile.kshare[dm::file_index(idmf)] != 0) pre_extend(idmf, istart + nwords);
  return 0;
}

}  // namespace dm

void dm_gspc(int idmf, int nwords, int& istart, int& iret) {
  iret = dm::allocate_words(idmf, nwords, istart);
  if (iret != 0) return;
  dm_wdmg(idmf, iret);
}

void dm_afre(int idmf, int nwords, int istart, int& iret) {
  iret = 0;
  if (nwords <= 0 || istart < 1) return;  // no words to give back
  DmFreeSpace& fs = dm::free_space(idmf);
  int length = nwords;
  const int istop = istart + length;
  int i1 = 0, i2 = 0;
  const int count = fs.ifnfre;
  for (int i = 1; i <= count; ++i) {  // the free block that starts where this one ends
    if (entry(fs, i)[kFirst] == istop) {
      i1 = i;
      length += entry(fs, i)[kLength];
    }
  }
  for (int i = 1; i <= count; ++i) {  // the free block that ends where this one starts
    if (entry(fs, i)[kFirst] + entry(fs, i)[kLength] == istart) {
      i2 = i;
      istart = entry(fs, i)[kFirst];
      length += entry(fs, i)[kLength];
    }
  }
  // The higher index first, so that the lower one stays valid.
  int ier = 0;
  if (i1 < i2) {
    dm_efre(idmf, i2, ier);
    if (i1 != 0) dm_efre(idmf, i1, ier);
  } else if (i2 < i1) {
    dm_efre(idmf, i1, ier);
    if (i2 != 0) dm_efre(idmf, i2, ier);
  }
  int loc = fs.ifnfre + 1;
  for (int ip = 1; ip <= fs.ifnfre; ++ip) {
    if (entry(fs, ip)[kLength] < length) {
      loc = ip;
      break;
    }
  }
  if (loc > fs.ifmaxf) return;  // shorter than every entry of a full list: not recorded
  const int imove = std::min(fs.ifnfre + 1, fs.ifmaxf);
  for (int i = imove; i >= loc + 1; --i)
    entry(fs, i) = entry(fs, i - 1);  // a full list drops its last
  entry(fs, loc) = {length, istart};
  fs.ifnfre = imove;
}

void dm_efre(int idmf, int ient, int& iret) {
  iret = 0;
  DmFreeSpace& fs = dm::free_space(idmf);
  if (ient <= 0 || ient > fs.ifnfre) return;
  for (int i = ient; i < fs.ifnfre; ++i) entry(fs, i) = entry(fs, i + 1);
  fs.ifnfre = fs.ifnfre - 1;  // the old last entry is left as it was
}

void dm_wdmg(int idmf, int& iret) {
  const DmFreeSpace& fs = dm::free_space(idmf);
  std::array<int, dm::kFsblen> image{};
  image[dm::kFsbIfnext - 1] = fs.ifnext;
  image[dm::kFsbIfmaxf - 1] = fs.ifmaxf;
  image[dm::kFsbIfnfre - 1] = fs.ifnfre;
  image[dm::kFsbIfextd - 1] = fs.ifextd;
  for (int k = 1; k <= dm::kMaxFreeBlocks; ++k) {  // all 62, also those beyond ifnfre
    auto w = static_cast<std::size_t>(dm::kFsbFirstEntry - 1 + 2 * (k - 1));
    image[w] = fs.iffree[static_cast<std::size_t>(k - 1)][kLength];
    image[w + 1] = fs.iffree[static_cast<std::size_t>(k - 1)][kFirst];
  }
  const DmLabelValues& lbl = dm::label(idmf);
  dm_wint(idmf, lbl.fsbbeg, lbl.fsblen, image, iret);
}
