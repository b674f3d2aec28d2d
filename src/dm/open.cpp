// Opening an existing DM file: the label, keys, file-header and part
// definitions, row and column headers and the free-space block are read back,
// checked against the placement rules and against the file's size, and put
// into the per-file tables, as creation would have left them. The file's words
// are read only after checking that they lie inside it.
#include "dm/dm.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "dm/internal.h"
#include "dm/structure.h"
#include "pack/dp.h"
#include "services/er.h"
#include "services/fl.h"

namespace {

using dm::num;
using dm::Problem;

Problem damaged(std::string text) {
  return {dm::kDmDamaged, std::move(text), 0};
}

dm::Name4 name_of_word(int w) {
  dm::Name4 name{};
  std::memcpy(name.data(), &w, name.size());
  return name;
}

std::string quoted(const dm::Name4& name) {
  // Built by appending: g++ 12 at -O3 reports a false -Wrestrict for a
  // literal + std::string temporary.
  std::string text(1, '"');
  text.append(name.data(), name.size());
  text += '"';
  return text;
}

// A label word whose value the layout fixes.
Problem expect(int word, const char* what, std::int64_t have, std::int64_t want) {
  if (have == want) return {};
  return damaged("label word " + num(word) + " (" + what + ") is " + num(have) +
                 ", but the layout puts it at " + num(want));
}

// A count from the label that must lie within lo..hi.
Problem expect_range(int word, const char* what, int have, int lo, int hi) {
  if (have >= lo && have <= hi) return {};
  return damaged("label word " + num(word) + " (" + what + ") is " + num(have) + ", outside " +
                 num(lo) + ".." + num(hi));
}

// Reads the structure of the file open under idmf, nfword words long.
class Loader {
 public:
  // tolerant: a torn last record and a next free word past the end of the
  // file are noted in warning() instead of refusing the file (reading only).
  Loader(int idmf, int nfword, bool tolerant) : idmf_(idmf), nfword_(nfword), tolerant_(tolerant) {}
  const std::string& warning() const { return warning_; }

  Problem load() {
    Problem p = label();
    if (p.ok()) p = definitions();
    if (p.ok()) p = headers();
    if (p.ok()) p = free_space();
    if (p.ok()) p = packing();
    return p;
  }

 private:
  // Whether words first .. first + n - 1 lie inside the file.
  bool inside(std::int64_t first, std::int64_t n) const {
    return first >= 1 && n >= 0 && first + n - 1 <= nfword_;
  }
  Problem ends_inside(const char* section, std::int64_t first, std::int64_t n) const {
    return damaged("the file ends at word " + num(nfword_) + ", inside the " + section +
                   " (words " + num(first) + " to " + num(first + n - 1) + ")");
  }
  // REQUIRES: inside(first, out.size()).
  void read(std::int64_t first, std::span<int> out) {
    int ier = 0;
    dm_rint(idmf_, static_cast<int>(first), static_cast<int>(out.size()), out, ier);
  }

  Problem label();
  Problem definitions();
  Problem headers();
  Problem header_section(bool rows);
  Problem free_space();
  Problem packing();

  // A damage a reader can live with: noted when tolerant, else the problem.
  bool tolerate(const std::string& text) {
    if (!tolerant_) return false;
    if (!warning_.empty()) warning_ += "; ";
    warning_ += text;
    return true;
  }

  int idmf_;
  std::int64_t nfword_;
  bool tolerant_;
  std::string warning_;
  DmLabelValues l_{};
  DmKeyNames keys_{};
  DmFileHeaderDefs fhd_{};
  std::array<DmPartDef, dm::kMaxParts> parts_{};
  std::int64_t first_free_ = 0;  // start of the data area
};

Problem Loader::label() {
  if (nfword_ < dm::kRecordWords) {
    return {dm::kDmNotDmFile,
            "the file holds " + num(nfword_ * 4) + " bytes, less than one 512-byte DM label record",
            0};
  }
  dm::RecordWords w{};
  read(1, w);
  char text[dm::kLabelTextChars];
  std::memcpy(text, w.data(), sizeof text);
  if (std::string_view(text, sizeof text) != dm::kLabelText) {
    return {dm::kDmNotDmFile, "the label does not begin with \"MORLIX DATA MANAGEMENT FILE \"", 0};
  }
  if (nfword_ % dm::kRecordWords != 0) {
    const std::string torn =
        "the file holds " + num(nfword_) + " words, not a whole number of 128-word records";
    if (!tolerate(torn)) return damaged(torn);
  }
  auto at = [&w](int word) { return w[static_cast<std::size_t>(word - 1)]; };
  l_.lblver = at(dm::kLblverWord);
  l_.nfhdrs = at(dm::kNfhdrsWord);
  l_.fhdbeg = at(dm::kFhdbegWord);
  l_.nrow = at(dm::kNrowWord);
  l_.nrkeys = at(dm::kNrkeysWord);
  l_.rkybeg = at(dm::kRkybegWord);
  l_.rhdbeg = at(dm::kRhdbegWord);
  l_.ncol = at(dm::kNcolWord);
  l_.nckeys = at(dm::kNckeysWord);
  l_.ckybeg = at(dm::kCkybegWord);
  l_.chdbeg = at(dm::kChdbegWord);
  l_.nprt = at(dm::kNprtWord);
  l_.prtbeg = at(dm::kPrtbegWord);
  l_.fsbbeg = at(dm::kFsbbegWord);
  l_.fsblen = at(dm::kFsblenWord);
  l_.datbeg = at(dm::kDatbegWord);
  l_.iftype = at(dm::kIftypeWord);
  l_.ifsrce = at(dm::kIfsrceWord);
  l_.mchtyp = at(dm::kMchtypWord);
  l_.imissv = at(dm::kImissvWord);
  l_.rmissv = std::bit_cast<float>(at(dm::kRmissvWord));

  // Integer words were written with the file's missing value in place of -9999.
  dm::label(idmf_).imissv = l_.imissv;
  dm::label(idmf_).rmissv = l_.rmissv;
  if (l_.lblver != dm::kLabelVersion) {
    return damaged("label version (word 8) is " + num(l_.lblver) + ", not 1");
  }
  if (l_.mchtyp != dm::kHostMachine) {
    return {dm::kDmNoConversion,
            "machine type (label word 26) is " + num(l_.mchtyp) +
                "; only files in this machine's own form (8) can be read",
            0};
  }
  Problem p = expect_range(dm::kNrowWord, "nrow", l_.nrow, 1, dm::kMaxRowsCols - 1);
  if (p.ok()) p = expect_range(dm::kNcolWord, "ncol", l_.ncol, 1, dm::kMaxRowsCols - l_.nrow);
  if (p.ok()) p = expect_range(dm::kNrkeysWord, "nrkeys", l_.nrkeys, 0, dm::kMaxKeys);
  if (p.ok()) p = expect_range(dm::kNckeysWord, "nckeys", l_.nckeys, 0, dm::kMaxKeys);
  if (p.ok()) p = expect_range(dm::kNprtWord, "nprt", l_.nprt, 1, dm::kMaxParts);
  if (p.ok()) p = expect_range(dm::kNfhdrsWord, "nfhdrs", l_.nfhdrs, 0, dm::kMaxFileHeaders);
  if (p.ok()) p = expect(dm::kFsbbegWord, "fsbbeg", l_.fsbbeg, dm::kFsbbeg);
  if (p.ok()) p = expect(dm::kFsblenWord, "fsblen", l_.fsblen, dm::kFsblen);
  if (p.ok()) p = expect(dm::kRkybegWord, "rkybeg", l_.rkybeg, dm::kFsbbeg + dm::kFsblen);
  if (p.ok()) p = expect(dm::kCkybegWord, "ckybeg", l_.ckybeg, std::int64_t{l_.rkybeg} + l_.nrkeys);
  if (p.ok()) p = expect(dm::kFhdbegWord, "fhdbeg", l_.fhdbeg, std::int64_t{l_.ckybeg} + l_.nckeys);
  return p;
}

Problem Loader::definitions() {
  // File-header definitions: names, declared lengths, types.
  const int nfh = l_.nfhdrs;
  if (!inside(l_.fhdbeg, 3 * nfh))
    return ends_inside("file-header definitions", l_.fhdbeg, 3 * nfh);
  std::array<int, 3 * dm::kMaxFileHeaders> def{};
  read(l_.fhdbeg, std::span<int>(def).first(static_cast<std::size_t>(3 * nfh)));
  std::int64_t lenfil = 0;
  for (int i = 0; i < nfh; ++i) {
    auto k = static_cast<std::size_t>(i);
    fhd_.kfhnam[k] = name_of_word(def[k]);
    fhd_.kfhlen[k] = def[k + static_cast<std::size_t>(nfh)];
    fhd_.kfhtyp[k] = def[k + static_cast<std::size_t>(2 * nfh)];
    if (fhd_.kfhlen[k] < 0) {
      return damaged("file header " + num(i + 1) + " " + quoted(fhd_.kfhnam[k]) +
                     " has a negative declared length " + num(fhd_.kfhlen[k]));
    }
    lenfil += std::int64_t{fhd_.kfhlen[k]} + 1;
  }

  // The starts that do not depend on the parts' parameter counts.
  dm::SectionStarts at =
      dm::place_sections(nfh, lenfil, l_.nrow, l_.nrkeys, l_.ncol, l_.nckeys, l_.nprt, 0);
  Problem p = expect(dm::kRhdbegWord, "rhdbeg", l_.rhdbeg, at.rhdbeg);
  if (p.ok()) p = expect(dm::kChdbegWord, "chdbeg", l_.chdbeg, at.chdbeg);
  if (p.ok()) p = expect(dm::kPrtbegWord, "prtbeg", l_.prtbeg, at.prtbeg);
  if (!p.ok()) return p;

  // Part definitions: names, header lengths, types, parameter counts ...
  const int nprt = l_.nprt;
  if (!inside(l_.prtbeg, 4 * nprt)) return ends_inside("part definitions", l_.prtbeg, 4 * nprt);
  std::array<int, 4 * dm::kMaxParts> pdef{};
  read(l_.prtbeg, std::span<int>(pdef).first(static_cast<std::size_t>(4 * nprt)));
  int lenprt = 0;
  for (int i = 0; i < nprt; ++i) {
    auto k = static_cast<std::size_t>(i);
    auto n = static_cast<std::size_t>(nprt);
    DmPartDef& part = parts_[k];
    part.kprtnm = name_of_word(pdef[k]);
    part.klnhdr = pdef[n + k];
    part.ktyprt = pdef[2 * n + k];
    part.kparms = pdef[3 * n + k];
    if (part.klnhdr < 0) {
      return damaged("part " + quoted(part.kprtnm) + " has a negative header length " +
                     num(part.klnhdr));
    }
    if (part.kparms < 0 || part.kparms > dm::kMaxParms) {
      return damaged("part " + quoted(part.kprtnm) + " declares " + num(part.kparms) +
                     " parameters, outside 0..40");
    }
    lenprt += part.kparms;
  }
  // ... then names, scale exponents, offsets and bit counts of all parameters.
  const std::int64_t iparm = std::int64_t{l_.prtbeg} + 4 * nprt;
  if (!inside(iparm, 4 * lenprt)) return ends_inside("parameter definitions", iparm, 4 * lenprt);
  std::vector<int> prm(static_cast<std::size_t>(4 * lenprt));
  if (lenprt > 0) read(iparm, prm);
  std::size_t j = 0;
  const auto total = static_cast<std::size_t>(lenprt);
  for (int i = 0; i < nprt; ++i) {
    DmPartDef& part = parts_[static_cast<std::size_t>(i)];
    for (int m = 1; m <= part.kparms; ++m, ++j) {
      part.kprmnm[dm::parm(m)] = name_of_word(prm[j]);
      part.kscale[dm::parm(m)] = prm[total + j];
      part.koffst[dm::parm(m)] = prm[2 * total + j];
      part.kbits[dm::parm(m)] = prm[3 * total + j];
    }
  }

  at = dm::place_sections(nfh, lenfil, l_.nrow, l_.nrkeys, l_.ncol, l_.nckeys, nprt, lenprt);
  p = expect(dm::kDatbegWord, "datbeg", l_.datbeg, at.datbeg);
  if (!p.ok()) return p;
  const std::int64_t npoint = std::int64_t{nprt} * l_.nrow * l_.ncol;
  if (!at.fits_in_words() || !inside(l_.datbeg, npoint)) {
    return ends_inside("data pointer table", l_.datbeg, npoint);
  }
  first_free_ = at.ifnext;
  return {};
}

// Row headers (rows true) or column headers: every flag 9999 or -9999.
Problem Loader::header_section(bool rows) {
  const int n = rows ? l_.nrow : l_.ncol;
  const int nkeys = rows ? l_.nrkeys : l_.nckeys;
  int last = 0;
  for (int i = 1; i <= n; ++i) {
    const int islot = rows ? i : l_.nrow + i;
    const int first =
        rows ? dm::row_header_word(l_.rhdbeg, nkeys, i) : dm::col_header_word(l_.chdbeg, nkeys, i);
    dm::HeaderSlot& slot = dm::header_slot(idmf_, islot);
    slot.fill(dm::kHeaderUnused);
    read(first, std::span<int>(slot).first(static_cast<std::size_t>(nkeys + 1)));
    if (slot[0] == dm::kHeaderInUse) {
      last = i;
    } else if (slot[0] != dm::kHeaderUnused) {
      return damaged(std::string(rows ? "row" : "column") + " header " + num(i) + " (word " +
                     num(first) + ") has the in-use flag " + num(slot[0]) +
                     ", neither 9999 nor -9999");
    }
  }
  (rows ? dmhdrs.klstrw : dmhdrs.klstcl)[dm::file_index(idmf_)] = last;
  return {};
}

Problem Loader::headers() {
  std::array<int, dm::kMaxKeys> w{};
  read(l_.rkybeg, std::span<int>(w).first(static_cast<std::size_t>(l_.nrkeys)));
  for (std::size_t k = 0; k < static_cast<std::size_t>(l_.nrkeys); ++k) {
    keys_.krow[k] = name_of_word(w[k]);
  }
  read(l_.ckybeg, std::span<int>(w).first(static_cast<std::size_t>(l_.nckeys)));
  for (std::size_t k = 0; k < static_cast<std::size_t>(l_.nckeys); ++k) {
    keys_.kcol[k] = name_of_word(w[k]);
  }
  // The header table is filled in place; the label values it needs are ours.
  Problem p = header_section(true);
  if (p.ok()) p = header_section(false);
  return p;
}

Problem Loader::free_space() {
  std::array<int, dm::kFsblen> b{};
  read(dm::kFsbbeg, b);
  auto at = [&b](int word) { return b[static_cast<std::size_t>(word - 1)]; };
  DmFreeSpace fs{};
  fs.ifnext = at(dm::kFsbIfnext);
  fs.ifmaxf = at(dm::kFsbIfmaxf);
  fs.ifnfre = at(dm::kFsbIfnfre);
  fs.ifextd = at(dm::kFsbIfextd);
  for (std::size_t k = 0; k < fs.iffree.size(); ++k) {
    fs.iffree[k] = {b[dm::kFsbFirstEntry - 1 + 2 * k], b[dm::kFsbFirstEntry + 2 * k]};
  }
  if (fs.ifnext < first_free_) {
    return damaged("the next free word (free-space block word 1) is " + num(fs.ifnext) +
                   ", inside the fixed sections, which end before word " + num(first_free_));
  }
  if (fs.ifnext - 1 > nfword_) {
    const std::string short_file = "the next free word (free-space block word 1) is " +
                                   num(fs.ifnext) + ", but the file ends at word " + num(nfword_);
    if (!tolerate(short_file)) return damaged(short_file);
  }
  if (fs.ifmaxf != dm::kMaxFreeBlocks) {
    return damaged("the free-list capacity (free-space block word 2) is " + num(fs.ifmaxf) +
                   ", not 62");
  }
  if (fs.ifnfre < 0 || fs.ifnfre > dm::kMaxFreeBlocks) {
    return damaged("the free-list count (free-space block word 3) is " + num(fs.ifnfre) +
                   ", outside 0..62");
  }
  for (int k = 1; k <= fs.ifnfre; ++k) {
    const auto& e = fs.iffree[static_cast<std::size_t>(k - 1)];
    const std::int64_t len = e[0], start = e[1];
    const std::string what =
        "free-space entry " + num(k) + " (" + num(len) + " words at " + num(start) + ")";
    if (len < 1) return damaged(what + " has no words");
    if (start < first_free_ || start + len > fs.ifnext) {
      return damaged(what + " lies outside the data area, words " + num(first_free_) + " to " +
                     num(std::int64_t{fs.ifnext} - 1));
    }
    if (k > 1 && len > fs.iffree[static_cast<std::size_t>(k - 2)][0]) {
      return damaged(what + " is longer than the entry before it; the list must be sorted");
    }
    for (int m = 1; m < k; ++m) {
      const auto& o = fs.iffree[static_cast<std::size_t>(m - 1)];
      if (start < std::int64_t{o[1]} + o[0] && o[1] < start + len) {
        return damaged(what + " overlaps free-space entry " + num(m));
      }
    }
  }
  dm::free_space(idmf_) = fs;
  return {};
}

// Everything checked: the tables take the file's values, and parts of the
// packed-real type get their packing descriptors.
Problem Loader::packing() {
  const std::size_t f = dm::file_index(idmf_);
  dmkeys.file[f] = keys_;
  dmfhdrs.file[f] = fhd_;
  dmsrch.ksrch[f] = {};
  for (int i = 1; i <= l_.nprt; ++i) {
    DmPartDef& part = parts_[static_cast<std::size_t>(i - 1)];
    part.kpkno = 0;
    part.kwordp = 0;
    dm::part(idmf_, i) = part;
    if (part.ktyprt != dm::kPartPackedReal) continue;
    int kdesc = 0, nwdrec = 0, ier = 0;
    dp_setp(part.kparms, part.kscale, part.koffst, part.kbits, kdesc, nwdrec, ier);
    if (ier != 0) {
      dm::part(idmf_, i).ktyprt = 0;  // no descriptor of ours to release
      return {
          dm::kDmPackSetup,
          "part " + quoted(part.kprtnm) + ": its packing cannot be set up (code " + num(ier) + ")",
          0};
    }
    dm::part(idmf_, i).kpkno = kdesc;
    dm::part(idmf_, i).kwordp = nwdrec;
  }
  // The label last: dm_clos releases the descriptors of every part of the file.
  dm::label(idmf_) = l_;
  return {};
}

std::array<std::string, dm::kMaxFiles>& open_warnings() {
  static std::array<std::string, dm::kMaxFiles> warnings;
  return warnings;
}

}  // namespace

namespace dm {

// What the file services' code ier says, as the operator reads it ("No such
// file or directory"), without its "[FL n]" prefix; the code when the
// message files say nothing.
std::string file_service_text(int ier) {
  std::array<char, 160> msg{};
  int jer = 0;
  er_mmsg("FL", ier, " ", msg, jer);
  std::string text(msg.data(), msg.size());
  text.erase(text.find_last_not_of(" \0") + 1);
  if (const std::size_t close = text.find("] "); jer == 0 && close != std::string::npos) {
    text.erase(0, text.find_first_not_of(' ', close + 1));
    text.erase(text.find_last_not_of(" :") + 1);  // the place of the context
    if (!text.empty()) return text;
  }
  return "file-service code " + num(ier);
}

Problem open_existing(std::string_view filnam, bool wrtflg, int& idmf, bool tolerant) {
  int iret = 0;
  dm_getf(idmf, iret);
  if (iret != 0) return {kDmNoFileNumber, "three DM files are already open", 0};
  int lun = 0, ier = 0;
  fl_dopn(filnam, kRecordWords, wrtflg, lun, ier);
  if (ier != 0) {
    return {kDmOpenFailed, "the file cannot be opened: " + file_service_text(ier), ier};
  }
  int nfword = 0;
  fl_dsiz(lun, nfword, ier);
  if (ier != 0) {
    fl_clos(lun, iret);
    return {kDmOpenFailed, "the file's size cannot be found: " + file_service_text(ier), ier};
  }

  // Claim the number with neutral tables: words are read as they stand.
  const std::size_t f = file_index(idmf);
  iflun(idmf) = lun;
  dmfile.kwrite[f] = 0;
  dmfile.kshare[f] = 0;
  for (auto& p : dmpart.file[f]) p = DmPartDef{};
  DmLabelValues& l = label(idmf);
  l = {};
  l.mchtyp = kHostMachine;
  l.imissv = kMissingInt;
  l.rmissv = kMissingReal;
  dmhdrs.klstrw[f] = 0;
  dmhdrs.klstcl[f] = 0;

  Loader loader(idmf, nfword, tolerant);
  Problem p = loader.load();
  if (!p.ok()) {
    dm_clos(idmf, ier);
    return p;
  }
  dmfile.kwrite[f] = wrtflg ? 1 : 0;
  open_warnings()[f] = loader.warning();
  return p;
}

std::string& open_warning(int idmf) {
  return open_warnings()[file_index(idmf)];
}

std::int64_t data_area_start(int idmf) {
  const DmLabelValues& l = label(idmf);
  return round_up_to_record(std::int64_t{l.datbeg} + std::int64_t{l.nprt} * l.nrow * l.ncol);
}

}  // namespace dm

void dm_open(std::string_view filnam, bool wrtflg, int& idmf, int& iret) {
  // Reading may get past damage that only cuts the end of the file short.
  dm::Problem p = dm::open_existing(filnam, wrtflg, idmf, !wrtflg);
  iret = p.code;
  if (p.code == dm::kDmOpenFailed) dm::report_file_error(p.flcode, filnam);
}
