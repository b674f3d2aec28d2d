// Word I/O through the record cache: integers are written through to the file
// at once, reals are written back later (dm_fwrt, slot reuse, or an integer
// write into the same record), integers are read. Each applies the file's
// missing values and representation; files made here need neither.
#include "dm/dm.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>

#include "dm/internal.h"
#include "pack/missing.h"
#include "pack/mv.h"
#include "services/fl.h"

namespace {

// How reals are turned into the file's form (the first matching rule wins).
enum class RealForm { kAsIs, kVax, kSwapThenVax, kSwap, kNone };

RealForm real_form(int idmf) {
  const DmLabelValues& lbl = dm::label(idmf);
  const int m = lbl.mchtyp;
  const bool f = lbl.kffrm != 0;
  const bool r = dmlabl.mhffrm != 0;
  if (m == dm::kHostMachine) return RealForm::kAsIs;
  if (f && r) return RealForm::kAsIs;
  if (m == dm::kVaxMachine && r) return RealForm::kVax;
  if (m == dm::kVaxMachine) return RealForm::kSwapThenVax;
  if (f) return RealForm::kSwap;
  if ((m == 7 || m == 10) && r) return RealForm::kSwap;
  return RealForm::kNone;
}

// Slot words jword..jend (1-based, inclusive).
std::span<int> stretch(dm::RecordWords& words, int jword, int jend) {
  return std::span<int>(words).subspan(static_cast<std::size_t>(jword - 1),
                                       static_cast<std::size_t>(jend - jword + 1));
}

// Common checks of the word routines: nothing to do, or a bad request (a file
// number that is not open would bind cache slots to no file). Returns true when
// the caller should go on.
bool start_transfer(int idmf, int isword, int nword, std::size_t have, int& iret) {
  iret = dm::kDmOk;
  if (nword <= 0) return false;
  dm_chkf(idmf, iret);
  if (iret != 0) return false;
  if (isword < 1 || have < static_cast<std::size_t>(nword)) {
    iret = dm::kDmBadArgument;
    return false;
  }
  return true;
}

// The record walk of the writers: for each record holding words
// isword..isword+nword-1, fetch it into a slot and call
// on_stretch(ircpnt, irec, slot words jword..jend, knt), knt being the index of
// the stretch's first value; a record inside the file that could not be read is
// not bound to a slot and goes to on_unreadable(iflerr) instead.
template <typename OnStretch, typename OnUnreadable>
void write_records(int idmf, int isword, int nword, OnStretch on_stretch,
                   OnUnreadable on_unreadable) {
  int irec = 0, jword = 0, ier = 0;
  dm_word(isword, irec, jword, ier);
  int ileft = nword;
  std::size_t knt = 0;
  while (ileft > 0) {
    int ircpnt = 0, iflerr = 0;
    dm::fetch_for_write(idmf, irec, ircpnt, iflerr);  // a record not yet in the file: zeros
    const int jend = std::min(jword + ileft - 1, dm::kRecordWords);
    if (dm::slot_holds(ircpnt, idmf, irec)) {
      on_stretch(ircpnt, irec, stretch(dm::slot_words(ircpnt), jword, jend), knt);
    } else {
      on_unreadable(iflerr);
    }
    const int jsize = jend - jword + 1;
    knt += static_cast<std::size_t>(jsize);
    ileft -= jsize;
    irec = irec + 1;
    jword = 1;
  }
}

}  // namespace

void dm_wint(int idmf, int isword, int nword, std::span<const int> idata, int& iret) {
  if (!start_transfer(idmf, isword, nword, idata.size(), iret)) return;
  const DmLabelValues& lbl = dm::label(idmf);
  const bool swap = dm::swaps_integers(idmf);
  write_records(
      idmf, isword, nword,
      [&](int ircpnt, int irec, std::span<int> out, std::size_t knt) {
        std::copy_n(idata.begin() + static_cast<std::ptrdiff_t>(knt), out.size(), out.begin());
        if (lbl.imissv != dm::kMissingInt)
          std::replace(out.begin(), out.end(), dm::kMissingInt, lbl.imissv);
        if (swap) mv_swp4(static_cast<int>(out.size()), out, out);
        int ier = 0;
        fl_writ(dm::iflun(idmf), irec, dm::kRecordWords, dm::slot_words(ircpnt), ier);
        if (ier != 0) {  // reported; the remaining records are still written
          dm::report_file_error(ier, " ");
          iret = dm::kDmWriteFailed;
        }
      },
      [&](int iflerr) {  // unreadable: its other words would be lost
        dm::report_file_error(iflerr, " ");
        iret = dm::kDmWriteFailed;
      });
}

void dm_wflt(int idmf, int isword, int nword, std::span<const float> rdata, int& iret) {
  if (!start_transfer(idmf, isword, nword, rdata.size(), iret)) return;
  const DmLabelValues& lbl = dm::label(idmf);
  const RealForm form = real_form(idmf);
  if (form == RealForm::kNone) {  // refused before any slot holds unconverted words
    iret = dm::kDmNoConversion;
    return;
  }
  const bool substitute = lbl.rmissv != dm::kMissingReal;
  const int rmissv = std::bit_cast<int>(lbl.rmissv);
  write_records(
      idmf, isword, nword,
      [&](int ircpnt, int /*irec*/, std::span<int> out, std::size_t knt) {
        for (std::size_t i = 0; i < out.size(); ++i) {
          float v = rdata[knt + i];
          out[i] = substitute && pack::is_missing(v) ? rmissv : std::bit_cast<int>(v);
        }
        const int jsize = static_cast<int>(out.size());
        switch (form) {
          case RealForm::kVax:
            mv_ev32(jsize, out, out);
            break;
          case RealForm::kSwapThenVax:
            mv_swp4(jsize, out, out);
            mv_ev32(jsize, out, out);
            break;
          case RealForm::kSwap:
            mv_swp4(jsize, out, out);
            break;
          case RealForm::kAsIs:
          case RealForm::kNone:
            break;
        }
        gmdm.icdrty[dm::slot_index(ircpnt)] = 1;
      },
      [&](int iflerr) {
        // Unreadable record: left as it is on disk; these words are lost, which
        // the file's next flush reports.
        dm::report_file_error(iflerr, " ");
        gmdm.iclost[dm::file_index(idmf)] = 1;
      });
  dm::check_cache();
}

void dm_rint(int idmf, int isword, int nword, std::span<int> idata, int& iret) {
  if (!start_transfer(idmf, isword, nword, idata.size(), iret)) return;
  const DmLabelValues& lbl = dm::label(idmf);
  int irec = 0, jword = 0, ier = 0;
  dm_word(isword, irec, jword, ier);
  int ileft = nword;
  std::size_t knt = 0;
  while (ileft > 0) {
    int ircpnt = 0, iflerr = 0;
    dm_rrec(idmf, irec, ircpnt, iflerr, iret);
    if (iflerr != 0) {  // stop; the words after this record are not filled
      dm::report_file_error(iflerr, " ");
      break;
    }
    int jend = std::min(jword + ileft - 1, dm::kRecordWords);
    std::span<int> in = stretch(dm::slot_words(ircpnt), jword, jend);
    std::copy(in.begin(), in.end(), idata.begin() + static_cast<std::ptrdiff_t>(knt));
    knt += in.size();
    ileft -= static_cast<int>(in.size());
    irec = irec + 1;
    jword = 1;
  }
  // Back to the memory representation, over the words that were filled.
  std::span<int> got = idata.first(knt);
  if (dm::swaps_integers(idmf)) mv_swp4(static_cast<int>(got.size()), got, got);
  if (lbl.imissv != dm::kMissingInt)
    std::replace(got.begin(), got.end(), lbl.imissv, dm::kMissingInt);
}
