// Writers of the structural sections of a new DM file (label, keys, file-header
// definitions, part definitions, row and column headers) from the in-memory
// tables, and the two helpers that store names and strings as character words.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "dm/internal.h"
#include "strings/st.h"

namespace {

// Views of n stored names, for dm_wch4.
template <std::size_t N>
std::array<std::string_view, N> name_views(const std::array<dm::Name4, N>& names) {
  std::array<std::string_view, N> views;
  for (std::size_t i = 0; i < N; ++i) views[i] = std::string_view(names[i].data(), names[i].size());
  return views;
}

// Character words are written with the machine type forced to 8, so that the
// word writer never byte-reverses them; restored on leaving.
class HostFormScope {
 public:
  explicit HostFormScope(int idmf) : mchtyp_(dm::label(idmf).mchtyp), saved_(mchtyp_) {
    mchtyp_ = dm::kHostMachine;
  }
  ~HostFormScope() { mchtyp_ = saved_; }
  HostFormScope(const HostFormScope&) = delete;
  HostFormScope& operator=(const HostFormScope&) = delete;

 private:
  int& mchtyp_;
  int saved_;
};

}  // namespace

void dm_wch4(int idmf, int isword, int nword, std::span<const std::string_view> carray, int& iret) {
  iret = 0;
  if (nword <= 0) return;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  if (carray.size() < static_cast<std::size_t>(nword)) {
    iret = dm::kDmBadArgument;
    return;
  }
  HostFormScope host(idmf);
  int done = 0;
  while (done < nword && iret == 0) {
    int nchunk = std::min(nword - done, dm::kScratchWords);
    int ier = 0;
    st_ctoi(carray.subspan(static_cast<std::size_t>(done)), nchunk, dmspce.iscrch, ier);
    dm_wint(idmf, isword + done, nchunk, dmspce.iscrch, iret);
    done += nchunk;
  }
}

void dm_wstr(int idmf, int isword, int nchar, std::string_view string, int& iret) {
  iret = 0;
  if (nchar <= 0) return;
  dm_chkf(idmf, iret);
  if (iret != 0) return;
  HostFormScope host(idmf);
  const int num =
      std::min(nchar, static_cast<int>(std::min<std::size_t>(string.size(), dm::kMaxWord)));
  int done = 0;
  int iword = isword;
  while (done < num && iret == 0) {
    int nchunk = std::min(num - done, dm::kScratchChars);
    int nval = 0, ier = 0;
    st_stoi(string.substr(static_cast<std::size_t>(done)), nchunk, nval, dmspce.iscrch, ier);
    dm_wint(idmf, iword, nval, dmspce.iscrch, iret);
    done += nchunk;
    iword += nval;
  }
}

void dm_wlbl(int idmf, int& iret) {
  dm_wstr(idmf, dm::kLabelTextWord, dm::kLabelTextChars, dm::kLabelText, iret);
  if (iret != 0) return;
  const DmLabelValues& l = dm::label(idmf);
  const std::array<int, dm::kLabelIntWords> words{
      l.lblver, l.nfhdrs, l.fhdbeg, l.nrow,   l.nrkeys, l.rkybeg, l.rhdbeg, l.ncol,
      l.nckeys, l.ckybeg, l.chdbeg, l.nprt,   l.prtbeg, l.fsbbeg, l.fsblen, l.datbeg,
      l.iftype, l.ifsrce, l.mchtyp, l.imissv, 0,        0,        0};
  dm_wint(idmf, dm::kLblverWord, dm::kLabelIntWords, words, iret);
  if (iret != 0) return;
  const std::array<float, 1> rmissv{l.rmissv};
  dm_wflt(idmf, dm::kRmissvWord, 1, rmissv, iret);
}

void dm_wkey(int idmf, int& iret) {
  const DmLabelValues& l = dm::label(idmf);
  const DmKeyNames& k = dm::keys(idmf);
  dm_wch4(idmf, l.rkybeg, l.nrkeys, name_views(k.krow), iret);
  if (iret != 0) return;
  dm_wch4(idmf, l.ckybeg, l.nckeys, name_views(k.kcol), iret);
}

void dm_wfil(int idmf, int& iret) {
  iret = 0;
  const DmLabelValues& l = dm::label(idmf);
  if (l.nfhdrs == 0) return;
  const DmFileHeaderDefs& f = dm::file_headers(idmf);
  int iword = l.fhdbeg;
  dm_wch4(idmf, iword, l.nfhdrs, name_views(f.kfhnam), iret);
  if (iret != 0) return;
  iword += l.nfhdrs;
  dm_wint(idmf, iword, l.nfhdrs, f.kfhlen, iret);
  if (iret != 0) return;
  iword += l.nfhdrs;
  dm_wint(idmf, iword, l.nfhdrs, f.kfhtyp, iret);
}

void dm_wprt(int idmf, int& iret) {
  const DmLabelValues& l = dm::label(idmf);
  const int nprt = l.nprt;
  std::array<std::string_view, dm::kMaxParts> names;
  std::array<int, dm::kMaxParts> lenhd{}, types{}, counts{};
  for (int i = 1; i <= nprt; ++i) {
    const DmPartDef& p = dm::part(idmf, i);
    auto s = static_cast<std::size_t>(i - 1);
    names[s] = std::string_view(p.kprtnm.data(), p.kprtnm.size());
    lenhd[s] = p.klnhdr;
    types[s] = p.ktyprt;
    counts[s] = p.kparms;
  }
  int iword = l.prtbeg;
  dm_wch4(idmf, iword, nprt, names, iret);
  for (const auto* list : {&lenhd, &types, &counts}) {
    if (iret != 0) return;
    iword += nprt;
    dm_wint(idmf, iword, nprt, *list, iret);
  }
  if (iret != 0) return;
  iword += nprt;
  for (int i = 1; i <= nprt; ++i) {  // each parameter name on its own
    const DmPartDef& p = dm::part(idmf, i);
    for (int j = 1; j <= p.kparms; ++j) {
      const dm::Name4& nm = p.kprmnm[dm::parm(j)];
      const std::array<std::string_view, 1> one{std::string_view(nm.data(), nm.size())};
      dm_wch4(idmf, iword, 1, one, iret);
      if (iret != 0) return;
      ++iword;
    }
  }
  // Scale exponents, offsets and bit counts, each gathered in scratch and written at once.
  for (auto field : {&DmPartDef::kscale, &DmPartDef::koffst, &DmPartDef::kbits}) {
    int n = 0;
    for (int i = 1; i <= nprt; ++i) {
      const DmPartDef& p = dm::part(idmf, i);
      for (int j = 1; j <= p.kparms; ++j)
        dmspce.iscrch[static_cast<std::size_t>(n++)] = (p.*field)[dm::parm(j)];
    }
    dm_wint(idmf, iword, n, dmspce.iscrch, iret);
    if (iret != 0) return;
    iword += n;
  }
}

void dm_whda(int idmf, int& iret) {
  iret = 0;
  const DmLabelValues& l = dm::label(idmf);
  std::array<int, dm::kRecordWords> buffer;
  std::size_t filled = 0;
  int iword = l.rhdbeg;
  // Rows first, then columns: the column headers follow the row headers directly.
  auto add_slot = [&](int islot, int nkeys) {
    const dm::HeaderSlot& slot = dm::header_slot(idmf, islot);
    for (int k = 0; k <= nkeys && iret == 0; ++k) {
      buffer[filled++] = slot[static_cast<std::size_t>(k)];
      if (filled == buffer.size()) {
        dm_wint(idmf, iword, dm::kRecordWords, buffer, iret);
        iword += dm::kRecordWords;
        filled = 0;
      }
    }
  };
  for (int irow = 1; irow <= l.nrow && iret == 0; ++irow) add_slot(irow, l.nrkeys);
  for (int icol = 1; icol <= l.ncol && iret == 0; ++icol) add_slot(l.nrow + icol, l.nckeys);
  if (iret == 0 && filled > 0) dm_wint(idmf, iword, static_cast<int>(filled), buffer, iret);
}
