// Opening an existing direct-access file and asking its size: the way back
// into files that an earlier run created.
#include "services/fl.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "services/name_width.h"
#include "strings/field.h"

namespace {

using services::kNameWidth;

}  // namespace

void fl_dopn(std::string_view filnam, int lrecl, bool wrtflg, int& lun, int& iret) {
  fl_glun(lun, iret);
  if (iret != 0) return;

  int ier = 0;
  bool exist = false;
  std::array<char, kNameWidth> found{};
  fl_inqr(filnam, exist, found, ier);
  // A name that exists in no form is opened as given, which fails with ENOENT.
  std::string_view path = strings::trim_right(exist ? strings::as_view(found) : filnam);
  if (path.starts_with('^')) path.remove_prefix(1);

  int status = EINVAL;  // a record length that is not a positive byte count
  if (lrecl >= 1 && lrecl <= INT_MAX / 4) {
    status = wrtflg ? platform::open_direct(lun, path, /*create_new=*/false, 4 * lrecl)
                    : platform::open_direct_read_only(lun, path, 4 * lrecl);
  }
  iret = 0;
  if (status != platform::kOk) fl_iret(status, iret, ier);
  if (iret != 0) {
    fl_flun(lun, ier);
    lun = 0;
  }
}

void fl_dsiz(int lun, int& nword, int& iret) {
  nword = 0;
  std::int64_t bytes = 0;
  const int status = platform::file_size(lun, bytes);
  iret = 0;
  if (status != platform::kOk) {
    int ier = 0;
    fl_iret(status, iret, ier);
    return;
  }
  nword = static_cast<int>(std::min<std::int64_t>(bytes / 4, INT_MAX));
}
