// The record cache: eight slots of one 128-word record each, shared by all open
// DM files, reused round-robin. It owns dmcach and the cache bookkeeping of
// gmdm (icnext, icfile, icrec, icdrty).
//
// Invariants, checked by check_cache() after every cache operation in debug builds:
//  (1) A slot holding no file (icfile 0) is never dirty.
//  (2) No two slots hold the same (file, record).
//  (3) A slot's words are in the file's representation (missing values
//      substituted, bytes and reals converted), so a write-back copies them
//      unchanged. dm_wflt refuses a file it cannot convert for before it
//      touches a slot, so unconverted words never sit in one.
//  (4) After dm_fwrt(idmf) no slot of idmf is dirty. A write-back that failed
//      since the file's last flush makes that flush return -6, also when
//      the failure was met by dm_nxtc on behalf of another fetch.
//  (5) A slot holding a file holds an open file and a record number >= 1,
//      and icnext is 0..8.
//
// Transitions: dm_rrec binds a slot to (file, record), by a hit or through
// dm_nxtc, which writes the chosen slot back first when it is dirty; dm_wflt
// marks a slot dirty; dm_fwrt and dm_nxtc make slots clean; dm_clos unbinds the
// slots of a closed file; roll_back_record unbinds the slots of a failed
// record write. A write-back takes with it the dirty slots of the same file
// holding the records that follow (dm_nxtc) or every dirty slot of the file
// in record order (dm_fwrt), in runs of consecutive records, one system call
// per run; each record is still written once, as it would be on its own.
//
// Write order. A file on disk must be sound at every instant a process can
// die (it passes dm_chck and lists only whole grids), so what names a record
// reaches the file only after the record itself:
//  (W1) Creation writes every section under a temporary name and gives the
//       file its name last (publish_file, never replacing a file): a creation
//       that stops leaves no file of that name.
//  (W2) A data record goes to words that no named record and no free entry on
//       disk holds: beyond the next free word, or in a block the file lists as
//       free. A replaced record's words are given back only after step W5.
//       So writing the record, in any order and any amount, changes nothing a
//       reader of the file can reach; dirty slots written back early by slot
//       reuse are such records too.
//  (W3) The record is flushed whole (dm_fwrt) before anything names it.
//  (W4) Then the free-space block, whose next free word now covers the
//       record: a file may be longer than its next free word, never shorter.
//  (W5) Then the data pointer. For a new grid its column is still unused, so
//       the record is not listed yet; for a replaced grid this one-word write
//       switches from the old record to the new, both whole.
//  (W6) Last the column header of a new grid: its keys first, then its in-use
//       flag, so a header split over two records is never half in use.
//  (W7) In durable mode the file is synced after W3, W4, W5 and W6, so the
//       medium sees the same order, and before the progress line.
// A record write that fails before W5 (a full disk, a size limit, an I/O
// error, a short write) is undone: the free space in memory goes back to what
// the file says, the file is cut back to its length before the record (no
// partial record stays), and the slots of the record are dropped. A failure
// at W5 or W6 leaves the record allocated but unnamed, as the file says.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <span>
#include <utility>

#include "dm/internal.h"
#include "services/er.h"
#include "services/fl.h"

namespace dm {

// The slot holding record irec of file idmf, or 0.
int slot_of(int idmf, int irec) {
  for (int isl = 1; isl <= kCacheSlots; ++isl) {
    if (slot_holds(isl, idmf, irec)) return isl;
  }
  return 0;
}

// The dirty slot holding record irec of file idmf, or 0.
int dirty_slot_of(int idmf, int irec) {
  for (int isl = 1; isl <= kCacheSlots; ++isl) {
    const std::size_t s = slot_index(isl);
    if (gmdm.icdrty[s] != 0 && gmdm.icfile[s] == idmf && gmdm.icrec[s] == irec) return isl;
  }
  return 0;
}

// Writes back slots `isls` (dirty, of file idmf, holding consecutive records
// from the first one's) as one run and marks them clean. Stops at a record
// that fails: its slot is marked clean too, failed is set and, when
// report_failure, its "FL" message written; the slots after it stay dirty.
// Returns the number of slots marked clean.
std::size_t write_run(int idmf, std::span<const int> isls, bool& failed, bool report_failure) {
  std::array<std::span<const int>, kCacheSlots> records{};
  for (std::size_t k = 0; k < isls.size(); ++k) records[k] = slot_words(isls[k]);
  int nwritten = 0;
  int ier = 0;
  fl_wrun(iflun(idmf), gmdm.icrec[slot_index(isls[0])], std::span(records).first(isls.size()),
          nwritten, ier);
  auto done = static_cast<std::size_t>(nwritten);
  failed = ier != 0;
  if (failed) ++done;  // the record that failed is clean, its words lost
  for (std::size_t k = 0; k < done; ++k) gmdm.icdrty[slot_index(isls[k])] = 0;
  if (failed && report_failure) report_file_error(ier, " ");
  return done;
}

void report_file_error(int ier, std::string_view text) {
  int iret = 0;
  er_wmsg("FL", ier, text, iret);
}

bool slot_holds(int isl, int idmf, int irec) {
  const std::size_t s = slot_index(isl);
  return gmdm.icfile[s] == idmf && gmdm.icrec[s] == irec;
}

bool swaps_integers(int idmf) {
  const DmLabelValues& lbl = label(idmf);
  return lbl.mchtyp != kHostMachine && ((lbl.kifrm != 0) != (dmlabl.mhifrm != 0));
}

void check_cache() {
#ifndef NDEBUG
  assert(gmdm.icnext >= 0 && gmdm.icnext <= kCacheSlots);
  for (int isl = 1; isl <= kCacheSlots; ++isl) {
    std::size_t s = slot_index(isl);
    int idmf = gmdm.icfile[s];
    if (idmf == 0) {
      assert(gmdm.icdrty[s] == 0);  // (1)
      continue;
    }
    assert(idmf >= 1 && idmf <= kMaxFiles && iflun(idmf) >= 0 && gmdm.icrec[s] >= 1);  // (5)
    for (int jsl = isl + 1; jsl <= kCacheSlots; ++jsl) {
      std::size_t t = slot_index(jsl);
      assert(gmdm.icfile[t] != idmf || gmdm.icrec[t] != gmdm.icrec[s]);  // (2)
    }
  }
#endif
}

void roll_back_record(int idmf, const DmFreeSpace& saved, int nword_before, int istart) {
  free_space(idmf) = saved;
  const int kept_records = nword_before / kRecordWords;
  for (int isl = 1; isl <= kCacheSlots; ++isl) {
    const std::size_t s = slot_index(isl);
    // Dirty slots hold only the failed record's words: every earlier write
    // ended with a flush.
    if (gmdm.icfile[s] == idmf && (gmdm.icdrty[s] != 0 || gmdm.icrec[s] > kept_records)) {
      gmdm.icfile[s] = 0;
      gmdm.icrec[s] = 0;
      gmdm.icdrty[s] = 0;
    }
  }
  gmdm.iclost[file_index(idmf)] = 0;  // the lost words were the record's
  int nword = 0, ier = 0;
  fl_dsiz(iflun(idmf), nword, ier);
  if (ier == 0 && nword > nword_before) fl_dtrc(iflun(idmf), nword_before, ier);
  // A record begun at the old end of the data shares its first file record
  // with the data before it: the words it put there go back to 0, as they
  // were, so the file is again what it was before the write.
  int irec = 0, jword = 0;
  dm_word(saved.ifnext, irec, jword, ier);
  if (istart >= saved.ifnext && jword > 1 && irec <= kept_records) {
    int isl = 0, iflerr = 0;
    dm_rrec(idmf, irec, isl, iflerr, ier);
    if (iflerr == 0 && slot_holds(isl, idmf, irec)) {
      std::fill(slot_words(isl).begin() + (jword - 1), slot_words(isl).end(), 0);
      const std::array<int, 1> slot{isl};
      bool failed = false;
      write_run(idmf, slot, failed, true);
    }
  }
  check_cache();
}

int sync_file(int idmf) {
  int ier = 0;
  fl_dsyn(iflun(idmf), ier);
  if (ier == 0) return kDmOk;
  report_file_error(ier, " ");
  return kDmWriteFailed;
}

}  // namespace dm

namespace {

// Whether all 128 words of record irec lie within file idmf (counted as so
// when the size cannot be found, which keeps the record's words safe).
bool whole_record_in_file(int idmf, int irec) {
  int nword = 0;
  int ier = 0;
  fl_dsiz(dm::iflun(idmf), nword, ier);
  return ier != 0 || std::int64_t{irec} * dm::kRecordWords <= nword;
}

// Whether record irec begins before the end of file idmf.
bool record_starts_in_file(int idmf, int irec) {
  int nword = 0;
  int ier = 0;
  fl_dsiz(dm::iflun(idmf), nword, ier);
  return ier == 0 && std::int64_t{irec - 1} * dm::kRecordWords < nword;
}

}  // namespace

void dm_chkf(int idmf, int& iret) {
  iret = idmf >= 1 && idmf <= dm::kMaxFiles && dm::iflun(idmf) >= 0 ? dm::kDmOk : dm::kDmBadFile;
}

void dm_word(int iword, int& irec, int& jword, int& iret) {
  iret = dm::kDmOk;
  if (iword < 1) {  // no such word: the arithmetic below would give position 0
    irec = 0;
    jword = 0;
    iret = dm::kDmBadArgument;
    return;
  }
  irec = (iword - 1) / dm::kRecordWords + 1;
  jword = iword - dm::kRecordWords * (irec - 1);
}

void dm_rrec(int idmf, int irec, int& ircpnt, int& iflerr, int& iret) {
  iret = 0;
  iflerr = 0;
  ircpnt = 0;
  for (int isl = 1; isl <= dm::kCacheSlots; ++isl) {
    std::size_t s = dm::slot_index(isl);
    if (gmdm.icfile[s] == idmf && gmdm.icrec[s] == irec) {
      ircpnt = isl;
      return;
    }
  }
  int ier = 0;
  dm_nxtc(ircpnt, ier);  // a failed write-back is reported by its message only
  dm::RecordWords& words = dm::slot_words(ircpnt);
  if (dmfile.kshare[dm::file_index(idmf)] != 0) {
    fl_rshr(dm::iflun(idmf), irec, dm::kRecordWords, words, iflerr);
  } else {
    fl_read(dm::iflun(idmf), irec, dm::kRecordWords, words, iflerr);
  }
  std::size_t s = dm::slot_index(ircpnt);
  // A last record cut short (a file torn by another writer): the words that
  // are there are read, the missing ones are 0, and that is no failure.
  if (iflerr == kFlEndOfFile && record_starts_in_file(idmf, irec)) iflerr = 0;
  if (iflerr != 0) {  // e.g. a record beyond the end of the file: present as zeros
    iret = dm::kDmReadFailed;
    words.fill(0);
    if (whole_record_in_file(idmf, irec)) {
      // The record's words are on disk but could not be read. Zeros bound to
      // it would be written over them by the next write into the record, so
      // the slot stays unbound and a later fetch tries the disk again.
      gmdm.icfile[s] = 0;
      gmdm.icrec[s] = 0;
      dm::check_cache();
      return;
    }
  }
  gmdm.icfile[s] = idmf;
  gmdm.icrec[s] = irec;
  dm::check_cache();
}

namespace dm {

void fetch_for_write(int idmf, int irec, int& ircpnt, int& iflerr) {
  iflerr = 0;
  int nword = 0;
  int ier = 0;
  fl_dsiz(iflun(idmf), nword, ier);
  const bool beyond_end = ier == 0 && std::int64_t{irec - 1} * kRecordWords >= nword;
  if (!beyond_end || slot_of(idmf, irec) != 0) {
    dm_rrec(idmf, irec, ircpnt, iflerr, ier);
    return;
  }
  // As dm_rrec would leave it after its read found the end of the file, with
  // no read: zeros bound to the record.
  dm_nxtc(ircpnt, ier);
  slot_words(ircpnt).fill(0);
  const std::size_t s = slot_index(ircpnt);
  gmdm.icfile[s] = idmf;
  gmdm.icrec[s] = irec;
  check_cache();
}

}  // namespace dm

void dm_nxtc(int& ircpnt, int& iret) {
  iret = 0;
  gmdm.icnext = gmdm.icnext + 1;
  if (gmdm.icnext > dm::kCacheSlots) gmdm.icnext = 1;
  const std::size_t s = dm::slot_index(gmdm.icnext);
  if (gmdm.icdrty[s] != 0) {
    const int idmf = gmdm.icfile[s];
    // The slot, and the dirty slots of the records that follow it.
    std::array<int, dm::kCacheSlots> isls{gmdm.icnext};
    std::size_t n = 1;
    while (n < isls.size()) {
      const int next = dm::dirty_slot_of(idmf, gmdm.icrec[s] + static_cast<int>(n));
      if (next == 0) break;
      isls[n++] = next;
    }
    // A file that already lost words since its last flush has had its "FL"
    // message: a full disk stays full for the rest of a transfer, and one
    // line says so.
    const bool first_loss = gmdm.iclost[dm::file_index(idmf)] == 0;
    bool failed = false;
    dm::write_run(idmf, std::span(isls).first(n), failed, first_loss);
    // dm_rrec does not pass this on, and the words are now gone: keep the
    // loss for the file's next flush, so it cannot end as a success.
    if (failed) {
      iret = dm::kDmWriteFailed;
      gmdm.iclost[dm::file_index(idmf)] = 1;
    }
  }
  ircpnt = gmdm.icnext;
  dm::check_cache();
}

void dm_fwrt(int idmf, int& iret) {
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  // Modified words of this file lost since its last flush (see dm_nxtc),
  // already reported.
  bool reported = std::exchange(gmdm.iclost[dm::file_index(idmf)], 0) != 0;
  if (reported) iret = dm::kDmWriteFailed;
  // The file's dirty slots in record order, written in runs of consecutive
  // records; a record that fails does not stop the others.
  std::array<int, dm::kCacheSlots> isls{};
  std::size_t n = 0;
  for (int isl = 1; isl <= dm::kCacheSlots; ++isl) {
    const std::size_t s = dm::slot_index(isl);
    if (gmdm.icdrty[s] != 0 && gmdm.icfile[s] == idmf) isls[n++] = isl;
  }
  const auto record_of = [](int isl) { return gmdm.icrec[dm::slot_index(isl)]; };
  for (std::size_t k = 1; k < n; ++k) {  // insertion sort of at most eight slots
    for (std::size_t j = k; j > 0 && record_of(isls[j]) < record_of(isls[j - 1]); --j) {
      std::swap(isls[j], isls[j - 1]);
    }
  }
  std::size_t first = 0;
  while (first < n) {
    std::size_t last = first + 1;
    while (last < n && record_of(isls[last]) == record_of(isls[last - 1]) + 1) ++last;
    std::span<const int> run = std::span(isls).subspan(first, last - first);
    while (!run.empty()) {
      bool failed = false;
      run = run.subspan(dm::write_run(idmf, run, failed, !reported));
      if (failed) {
        iret = dm::kDmWriteFailed;
        reported = true;
      }
    }
    first = last;
  }
#ifndef NDEBUG
  for (int isl = 1; isl <= dm::kCacheSlots; ++isl) {
    std::size_t s = dm::slot_index(isl);
    assert(gmdm.icfile[s] != idmf || gmdm.icdrty[s] == 0);  // (4)
  }
#endif
  dm::check_cache();
}
