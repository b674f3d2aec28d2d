// File access by logical unit: creating direct-access files, opening text
// files, existence tests under the accepted name forms, record transfers of
// 32-bit words, close and backspace. Every platform status becomes iret
// through fl_iret.
//
// Name forms: "^name" is taken literally; any other name is also tried in
// lower case; either may start with an environment symbol ("$SYM/..." or
// "SYM:...") that ss_envr expands.
#include "services/fl.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>
#include <type_traits>

#include "platform/platform.h"
#include "services/name_width.h"
#include "services/ss.h"
#include "strings/field.h"
#include "strings/st.h"

static_assert(std::is_same_v<int, std::int32_t>, "a DM word is a 32-bit int");

namespace {

using services::kNameWidth;
using NameField = std::array<char, kNameWidth>;

// The name held in a blank-padded field, without its trailing blanks.
std::string_view name_of(std::span<const char> field) {
  return strings::trim_right(strings::as_view(field));
}

// Whether a file of that name exists. An empty name, or one holding a NUL
// (which no file name can), never does.
bool exists(std::string_view path) {
  return !path.empty() && path.find('\0') == std::string_view::npos && platform::file_exists(path);
}

// iret for a platform status: 0 for success, else through fl_iret.
int code_of(int status) {
  if (status == platform::kOk) return 0;
  int iret = 0;
  int ier = 0;
  fl_iret(status, iret, ier);
  return iret;
}

// Status of a record transfer request that cannot be carried out: a record
// number below 1, or a word count that is negative or larger than the buffer.
int check_transfer(int irec, int nword, std::size_t capacity) {
  if (irec < 1 || nword < 0 || static_cast<std::size_t>(nword) > capacity) return EINVAL;
  return platform::kOk;
}

}  // namespace

namespace services {

std::string creation_name(std::string_view filnam) {
  int ier = 0;
  NameField given{};
  if (filnam.starts_with('^')) {
    strings::copy_field(filnam.substr(1), given);
  } else {
    st_uclc(filnam, given, ier);
  }
  NameField path{};
  ss_envr(strings::as_view(given), path, ier);  // used whether or not it expanded
  return std::string(name_of(path));
}

std::string exact_filnam(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos || path.back() == ' ') return {};
  std::string name(path);
  const bool looks_symbolic = path.starts_with('$') || path.find(':') != std::string_view::npos;
  if (looks_symbolic && !path.starts_with('/')) name = "./" + name;
  if (name.size() > kNameWidth) return {};
  return "^" + name;
}

}  // namespace services

namespace {

enum class Creation { kAtOnce, kPending, kReplacing };

// Body of fl_dcre, fl_dcrp and fl_dcrr.
void create_direct(std::string_view filnam, int lrecl, Creation how, int& lun, int& iret) {
  fl_glun(lun, iret);
  if (iret != 0) return;

  int ier = 0;
  const std::string path = services::creation_name(filnam);
  int status = EINVAL;  // a record length that is not a positive byte count
  if (lrecl >= 1 && lrecl <= INT_MAX / 4) {
    const int recl_bytes = 4 * lrecl;
    if (how == Creation::kPending) {
      status = platform::create_direct_pending(lun, path, recl_bytes);
    } else if (how == Creation::kReplacing) {
      status = platform::create_direct_replacing(lun, path, recl_bytes);
    } else {
      status = platform::open_direct(lun, path, /*create_new=*/true, recl_bytes);
    }
  }
  iret = code_of(status);
  if (iret != 0) {
    fl_flun(lun, ier);
    lun = 0;
  }
}

}  // namespace

void fl_dcre(std::string_view filnam, int lrecl, int& lun, int& iret) {
  create_direct(filnam, lrecl, Creation::kAtOnce, lun, iret);
}

void fl_dcrp(std::string_view filnam, int lrecl, int& lun, int& iret) {
  create_direct(filnam, lrecl, Creation::kPending, lun, iret);
}

void fl_dcrr(std::string_view filnam, int lrecl, int& lun, int& iret) {
  create_direct(filnam, lrecl, Creation::kReplacing, lun, iret);
}

void fl_dpub(int lun, int& iret) {
  iret = code_of(platform::publish_direct(lun));
}

void fl_dtrc(int lun, std::int64_t nword, int& iret) {
  iret = code_of(platform::truncate_direct(lun, 4 * nword));
}

void fl_dsyn(int lun, int& iret) {
  iret = code_of(platform::sync_direct(lun));
}

void fl_inqr(std::string_view filnam, bool& exist, std::span<char> newfil, int& iret) {
  iret = 0;
  exist = false;
  strings::copy_field({}, newfil);

  const bool literal = filnam.starts_with('^');
  NameField file{};
  strings::copy_field(literal ? filnam.substr(1) : filnam, file);

  // 1. As given.
  if (exists(name_of(file))) {
    exist = true;
    strings::copy_field(strings::as_view(file), newfil);
    return;
  }
  // 2. With its leading symbol expanded.
  int ier = 0;
  NameField flvar{};
  int ienv = 0;
  ss_envr(strings::as_view(file), flvar, ienv);
  const bool expanded = ienv == 0;
  if (expanded && exists(name_of(flvar))) {
    exist = true;
    strings::copy_field(strings::as_view(flvar), newfil);
    return;
  }
  if (literal) return;
  // 3. In lower case, expanded again when the symbol form applied.
  NameField lowered{};
  st_uclc(strings::as_view(file), lowered, ier);
  if (expanded) {
    ss_envr(strings::as_view(lowered), flvar, ier);
  } else {
    flvar = lowered;
  }
  if (exists(name_of(flvar))) {
    exist = true;
    strings::copy_field(strings::as_view(flvar), newfil);
  }
}

void fl_sopn(std::string_view filnam, int& lun, int& iret) {
  fl_glun(lun, iret);
  if (iret != 0) return;

  bool exist = false;
  NameField found{};
  int ier = 0;
  fl_inqr(filnam, exist, found, ier);
  // A name that exists in no form is opened as given, which fails.
  const std::string_view path = exist ? name_of(found) : strings::trim_right(filnam);
  iret = code_of(platform::open_sequential(lun, path));
  if (iret != 0) {
    fl_flun(lun, ier);
    lun = 0;
  }
}

void fl_read(int lun, int irec, int nword, std::span<int> idata, int& iret) {
  int status = check_transfer(irec, nword, idata.size());
  if (status == platform::kOk) {
    status = platform::read_record(lun, irec, idata.first(static_cast<std::size_t>(nword)));
  }
  iret = code_of(status);
}

void fl_rshr(int lun, int irec, int nword, std::span<int> idata, int& iret) {
  fl_read(lun, irec, nword, idata, iret);
}

void fl_writ(int lun, int irec, int nword, std::span<const int> idata, int& iret) {
  int status = check_transfer(irec, nword, idata.size());
  if (status == platform::kOk) {
    status = platform::write_record(lun, irec, idata.first(static_cast<std::size_t>(nword)));
  }
  iret = code_of(status);
}

void fl_wrun(int lun, int irec, std::span<const std::span<const int>> records, int& nwritten,
             int& iret) {
  nwritten = 0;
  int status = irec < 1 ? EINVAL : platform::kOk;
  if (status == platform::kOk) status = platform::write_records(lun, irec, records, nwritten);
  iret = code_of(status);
}

void fl_clos(int lun, int& iret) {
  iret = code_of(platform::close_unit(lun));
  int ier = 0;
  fl_flun(lun, ier);
}

void fl_bksp(int lun, int& iret) {
  iret = code_of(platform::backspace(lun));
}

void fl_iret(int iostat, int& iret, int& ier) {
  ss_iret(iostat, iret, ier);
}
