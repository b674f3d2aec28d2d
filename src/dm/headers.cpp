// Row and column headers (the key values that identify a row or a column),
// key lookup by name, and file headers (named blocks of reals).
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "dm/internal.h"
#include "pack/mv.h"
#include "strings/field.h"

namespace {

// Keys whose words hold four characters rather than a number.
constexpr std::array<std::string_view, 4> kCharacterKeys{"STID", "STAT", "COUN", "GPM1"};

// Reverse the bytes of the character-valued keys of kind `type` in a header
// slot, so that the word writer's own reversal leaves their characters in
// reading order. Applying it twice restores the slot.
void swap_character_keys(int idmf, std::string_view type, dm::HeaderSlot& slot) {
  for (std::string_view name : kCharacterKeys) {
    std::array<char, 3> found{};
    int loc = 0, ier = 0;
    dm_fkey(idmf, name, found, loc, ier);
    if (ier == 0 && strings::compare_padded(strings::as_view(found), type) == 0) {
      std::span<int> word(&slot[static_cast<std::size_t>(loc)], 1);
      mv_swp4(1, word, word);
    }
  }
}

// Common body of the row ("ROW") and column ("COL") header writers. inum: the
// row or column asked for, 0 for the first unused one.
void write_header(int idmf, int inum, std::span<const int> values, std::string_view type, int& ipos,
                  int& iret) {
  ipos = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  const std::size_t f = dm::file_index(idmf);
  const DmLabelValues& l = dm::label(idmf);
  const bool rows = type == "ROW";
  const int count = rows ? l.nrow : l.ncol;
  const int nkeys = rows ? l.nrkeys : l.nckeys;
  const int slot0 = rows ? 0 : l.nrow;
  if (dmfile.kwrite[f] == 0) {
    iret = dm::kDmNotWritable;
    return;
  }
  if (inum < 0 || inum > count) {
    iret = dm::kDmBadRowCol;
    return;
  }
  if (values.size() < static_cast<std::size_t>(nkeys)) {
    iret = dm::kDmBadArgument;
    return;
  }
  int num = inum;
  for (int i = 1; num == 0 && i <= count; ++i) {
    if (dm::header_slot(idmf, slot0 + i)[0] == dm::kHeaderUnused) num = i;
  }
  if (num == 0) {
    iret = dm::kDmNoFreeHeader;
    return;
  }
  ipos = num;
  dm::HeaderSlot& slot = dm::header_slot(idmf, slot0 + num);
  const dm::HeaderSlot before = slot;
  std::copy_n(values.begin(), nkeys, slot.begin() + 1);
  slot[0] = dm::kHeaderInUse;
  const int istart =
      rows ? dm::row_header_word(l.rhdbeg, nkeys, num) : dm::col_header_word(l.chdbeg, nkeys, num);
  const bool swap = dm::swaps_integers(idmf);
  if (swap) swap_character_keys(idmf, type, slot);
  int ifirst = 0, ilast = 0, jword = 0, ier = 0;
  dm_word(istart, ifirst, jword, ier);
  dm_word(istart + nkeys, ilast, jword, ier);
  if (before[0] == dm::kHeaderInUse || ifirst == ilast) {
    dm_wint(idmf, istart, nkeys + 1, slot, iret);  // one record: one write
  } else {
    // A header coming into use across two records: its keys first, then the
    // flag, so that it is never in use with keys missing.
    dm_wint(idmf, istart + 1, nkeys, std::span<const int>(slot).subspan(1), iret);
    if (iret == 0) dm_wint(idmf, istart, 1, std::span<const int>(slot).first(1), iret);
  }
  if (swap) swap_character_keys(idmf, type, slot);
  if (iret != 0) {  // the file may not hold it: neither does the table
    slot = before;
    return;
  }
  int& last = rows ? dmhdrs.klstrw[f] : dmhdrs.klstcl[f];
  last = std::max(last, num);
}

}  // namespace

namespace dm {

int first_free_column(int idmf) {
  int iret = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return 0;
  const DmLabelValues& l = label(idmf);
  for (int i = 1; i <= l.ncol; ++i) {
    if (header_slot(idmf, l.nrow + i)[0] == kHeaderUnused) return i;
  }
  return 0;
}

}  // namespace dm

void dm_wrwh(int idmf, int irow, std::span<const int> irowhd, int& ipos, int& iret) {
  write_header(idmf, irow, irowhd, "ROW", ipos, iret);
}

void dm_wclh(int idmf, int icol, std::span<const int> ihdarr, int& ipos, int& iret) {
  write_header(idmf, icol, ihdarr, "COL", ipos, iret);
}

void dm_fkey(int idmf, std::string_view keynam, std::span<char> type, int& loc, int& iret) {
  strings::copy_field("", type);
  loc = 0;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  iret = dm::kDmNoKey;
  const DmLabelValues& l = dm::label(idmf);
  const DmKeyNames& k = dm::keys(idmf);
  for (int i = 1; i <= l.nrkeys; ++i) {  // a name among both kinds is a row key
    if (dm::name_matches(keynam, k.krow[static_cast<std::size_t>(i - 1)])) {
      strings::copy_field("ROW", type);
      loc = i;
      iret = 0;
      return;
    }
  }
  for (int i = 1; i <= l.nckeys; ++i) {
    if (dm::name_matches(keynam, k.kcol[static_cast<std::size_t>(i - 1)])) {
      strings::copy_field("COL", type);
      loc = i;
      iret = 0;
      return;
    }
  }
}

void dm_wfhr(int idmf, std::string_view fhdnam, std::span<const float> rvals, int nword,
             int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  if (dmfile.kwrite[dm::file_index(idmf)] == 0) {
    iret = dm::kDmNotWritable;
    return;
  }
  const DmLabelValues& l = dm::label(idmf);
  const DmFileHeaderDefs& fh = dm::file_headers(idmf);
  int k = 0;
  for (int i = 1; i <= l.nfhdrs; ++i) {  // the last match counts
    if (dm::name_matches(fhdnam, fh.kfhnam[static_cast<std::size_t>(i - 1)])) k = i;
  }
  if (k == 0) {
    iret = dm::kDmNoFileHeader;
    return;
  }
  const auto s = static_cast<std::size_t>(k - 1);
  if (nword > fh.kfhlen[s]) {
    iret = dm::kDmHeaderTooLong;
    return;
  }
  if (nword < 0 || rvals.size() < static_cast<std::size_t>(nword)) {
    iret = dm::kDmBadArgument;
    return;
  }
  if (fh.kfhtyp[s] != dm::kFileHeaderReal) {
    iret = dm::kDmBadType;
    return;
  }
  if (l.mchtyp != dm::kHostMachine) {
    iret = dm::kDmNoConversion;
    return;
  }
  const int iwrite = dm::file_header_area_word(l.fhdbeg, l.nfhdrs, fh.kfhlen, k);
  const std::array<int, 1> length{nword};
  dm_wint(idmf, iwrite, 1, length, iret);
  if (iret != 0) return;
  dm_wflt(idmf, iwrite + 1, nword, rvals, iret);
}
