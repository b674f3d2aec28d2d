// The structure check of a DM file: everything dm_open checks (label, section
// starts, definitions, header flags, free-space block), then every data
// pointer and record length, the grid blocks of packed-grid parts, and that no
// two records, and no record and free block, share a word.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "dm/structure.h"
#include "strings/field.h"

namespace {

using dm::num;
using dm::Problem;

// A run of words in use: a data record or a free block.
struct Extent {
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::string what;
};

// The grid block of a packed-grid record: kword words at isword.
std::string grid_block_problem(int idmf, int isword, int kword) {
  std::array<int, 5> head{};
  const int nhead = std::min(kword, static_cast<int>(head.size()));
  if (nhead < 1) return "holds no grid block";
  int ier = 0;
  dm_rint(idmf, isword, nhead, head, ier);
  const int ipktyp = head[0];
  if (ipktyp == 0) return {};
  if (ipktyp != 1 && ipktyp != 3) return "has the grid packing type " + num(ipktyp);
  const int nfixed = ipktyp == 1 ? 6 : 8;
  if (kword < nfixed) return "is too short for its packing type " + num(ipktyp);
  const int nbits = head[1];
  const std::int64_t kxky = head[3];
  if (nbits < 1 || nbits > 31) return "has " + num(nbits) + " bits per code, outside 1..31";
  if (kxky < 1) return "has " + num(kxky) + " grid points";
  if (ipktyp == 3 && (head[4] < 1 || kxky % head[4] != 0)) {
    return "has " + num(head[4]) + " points along x, which do not divide its " + num(kxky);
  }
  const std::int64_t need = (kxky * nbits + 31) / 32;
  if (need != kword - nfixed) {
    return "holds " + num(kword - nfixed) + " packed words where " + num(kxky) + " codes of " +
           num(nbits) + " bits take " + num(need);
  }
  return {};
}

// Every data pointer and record of the open file idmf.
Problem check_records(int idmf, std::vector<Extent>& used) {
  const DmLabelValues& l = dm::label(idmf);
  std::array<int, dm::kRecordWords> ptr{};
  for (int irow = 1; irow <= l.nrow; ++irow) {
    for (int icol = 1; icol <= l.ncol; ++icol) {
      const int iword = dm::data_pointer_word(l.datbeg, l.ncol, l.nprt, irow, icol, 1);
      int ier = 0;
      dm_rint(idmf, iword, l.nprt, ptr, ier);
      for (int iprt = 1; iprt <= l.nprt; ++iprt) {
        const int istart = ptr[static_cast<std::size_t>(iprt - 1)];
        if (istart == 0) continue;
        const DmPartDef& part = dm::part(idmf, iprt);
        const std::string what = "the record of row " + num(irow) + ", column " + num(icol) +
                                 ", part \"" + std::string(part.kprtnm.data(), 4) + "\"";
        int length = 0;
        Problem p = dm::record_extent(idmf, istart, part.klnhdr, length);
        if (!p.ok()) {
          p.text = "data pointer at word " + num(iword + iprt - 1) + " (" + what + ") " + p.text;
          return p;
        }
        const int kword = length - part.klnhdr;
        std::string bad;
        if (part.ktyprt == dm::kPartPackedGrid) {
          bad = grid_block_problem(idmf, istart + 1 + part.klnhdr, kword);
        } else if (part.ktyprt == dm::kPartPackedReal && part.kwordp > 0 &&
                   kword % part.kwordp != 0) {
          bad = "holds " + num(kword) + " words, not whole packed records of " + num(part.kwordp);
        }
        if (!bad.empty()) return {dm::kDmDamaged, what + " at word " + num(istart) + " " + bad, 0};
        used.push_back({istart, std::int64_t{istart} + length,
                        what + " (words " + num(istart) + " to " + num(istart + length) + ")"});
      }
    }
  }
  return {};
}

// No word belongs to two records, or to a record and a free block.
Problem check_overlaps(int idmf, std::vector<Extent>& used) {
  const DmFreeSpace& fs = dm::free_space(idmf);
  for (int k = 1; k <= fs.ifnfre; ++k) {
    const auto& e = fs.iffree[static_cast<std::size_t>(k - 1)];
    used.push_back({e[1], std::int64_t{e[1]} + e[0] - 1,
                    "free-space entry " + num(k) + " (words " + num(e[1]) + " to " +
                        num(std::int64_t{e[1]} + e[0] - 1) + ")"});
  }
  std::sort(used.begin(), used.end(),
            [](const Extent& a, const Extent& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < used.size(); ++i) {
    if (used[i].first <= used[i - 1].last) {
      return {dm::kDmDamaged, used[i - 1].what + " overlaps " + used[i].what, 0};
    }
  }
  return {};
}

}  // namespace

void dm_chck(std::string_view filnam, std::span<char> msgtxt, int& iret) {
  strings::copy_field({}, msgtxt);
  int idmf = 0;
  Problem p = dm::open_existing(filnam, false, idmf);
  if (p.ok()) {
    std::vector<Extent> used;
    p = check_records(idmf, used);
    if (p.ok()) p = check_overlaps(idmf, used);
    int ier = 0;
    dm_clos(idmf, ier);
  }
  iret = p.code;
  strings::copy_field(p.text, msgtxt);
}
