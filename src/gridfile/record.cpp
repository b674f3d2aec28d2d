// A grid's data record read word by word through the DM word reader: the
// pointer from the data pointer table, then the record
//   word 1            L, the number of words that follow
//   words 2..         the part's header: X size, Y size, grid header words
//   then              the grid block: packing type 0 and the values, or
//                     1, nbits, flag, kxky, ref, scale, codes (GRIB style), or
//                     3, nbits, flag, kxky, kx, ref, scale, difmin, codes (difference).
// Label words used: 15 ncol, 19 nprt, 20 prtbeg, 23 datbeg.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "dm/dm.h"
#include "grid/gd.h"
#include "gridfile/internal.h"

namespace gridfile::detail {
namespace {

constexpr int kLabelFirst = 15, kLabelCount = 9;  // words 15..23
constexpr int kMaxBlockHead = 8;

int read_words(int idmf, std::int64_t isword, std::span<int> out) {
  if (isword < 1 || isword > dm::kMaxWord) return dm::kDmDamaged;
  int iret = 0;
  dm_rint(idmf, static_cast<int>(isword), static_cast<int>(out.size()), out, iret);
  return iret;
}

std::int32_t name_word(std::string_view four) {
  std::int32_t w = 0;
  std::memcpy(&w, four.data(), 4);
  return w;
}

}  // namespace

int read_record_head(int gfnum, int igrid, RecordHead& head) {
  head = {};
  std::array<int, kLabelCount> label{};
  int iret = read_words(gfnum, kLabelFirst, label);
  if (iret != 0) return iret;
  const int ncol = label[0], nprt = label[4], prtbeg = label[5], datbeg = label[8];
  if (nprt < 1 || nprt > dm::kMaxParts || igrid < 1 || igrid > ncol) return dm::kDmDamaged;

  // Part "GRID": the last part of that name, as the data writer finds it.
  std::array<int, 2 * dm::kMaxParts> parts{};
  iret = read_words(gfnum, prtbeg, std::span<int>(parts).first(2 * static_cast<std::size_t>(nprt)));
  if (iret != 0) return iret;
  int iprt = 0;
  for (int i = 1; i <= nprt; ++i) {
    if (parts[static_cast<std::size_t>(i - 1)] == name_word("GRID")) iprt = i;
  }
  if (iprt == 0) return dm::kDmNoPart;
  const int ilenhd = parts[static_cast<std::size_t>(nprt + iprt - 1)];

  std::array<int, 1> word{};
  const std::int64_t ipoint = std::int64_t{datbeg} + std::int64_t{igrid - 1} * nprt + (iprt - 1);
  iret = read_words(gfnum, ipoint, word);
  if (iret != 0) return iret;
  const std::int64_t istart = word[0];
  iret = read_words(gfnum, istart, word);
  if (iret != 0) return iret;
  const int length = word[0];
  const int kword = length - ilenhd;
  if (ilenhd < 2 || kword < 1) return dm::kDmDamaged;

  std::array<int, 2> size{};
  iret = read_words(gfnum, istart + 1, size);
  if (iret != 0) return iret;
  std::array<int, kMaxBlockHead> block{};
  const auto nhead = static_cast<std::size_t>(std::min(kword, kMaxBlockHead));
  iret = read_words(gfnum, istart + 1 + ilenhd, std::span<int>(block).first(nhead));
  if (iret != 0) return iret;

  head.nx = size[0];
  head.ny = size[1];
  head.ipktyp = block[0];
  head.words = static_cast<std::size_t>(length) + 1;
  std::int64_t kxky = 0;
  switch (head.ipktyp) {
    case 0:
      kxky = kword - 1;
      break;
    case 1:
      if (kword < 6) return dm::kDmDamaged;
      head.nbits = block[1];
      kxky = block[3];
      head.ref = std::bit_cast<float>(block[4]);
      head.scale = std::bit_cast<float>(block[5]);
      break;
    case 3:
      if (kword < 8) return dm::kDmDamaged;
      head.nbits = block[1];
      kxky = block[3];
      head.ref = std::bit_cast<float>(block[5]);
      head.scale = std::bit_cast<float>(block[6]);
      head.difmin = std::bit_cast<float>(block[7]);
      break;
    default:
      return dm::kDmBadPackType;
  }
  // The size in the header must describe the values the block holds.
  if (head.nx < 1 || head.ny < 1 || std::int64_t{head.nx} * head.ny != kxky) return dm::kDmDamaged;
  return 0;
}

}  // namespace gridfile::detail
