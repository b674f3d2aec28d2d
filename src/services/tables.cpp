// Table files: found by a fixed search (current directory, the name as
// given, the typed subdirectory of $MORTBL, then $MORTBL itself), opened for
// sequential reading and positioned on the first data line.
#include "services/fl.h"

#include <array>
#include <string>

#include "platform/platform.h"
#include "services/name_width.h"
#include "strings/field.h"
#include "strings/st.h"

namespace {

using services::kNameWidth;
constexpr std::size_t kRecordWidth = 80;  // table lines are read cut to this width
constexpr std::string_view kTableDir = "$MORTBL/";

bool table_exists(std::string_view name) {
  bool exist = false;
  std::array<char, kNameWidth> found{};
  int ier = 0;
  fl_inqr(name, exist, found, ier);
  return exist;
}

// A name cut to the internal width, as the search builds it.
std::string cut(std::string name) {
  if (name.size() > kNameWidth) name.resize(kNameWidth);
  return name;
}

}  // namespace

void fl_tbop(std::string_view table, std::string_view type, int& lun, int& iret) {
  // The table-directory prefix is dropped: the search below puts it back.
  int ipos = 0;
  int ier = 0;
  std::array<char, kNameWidth> patfield{};
  st_rmst(table, kTableDir, ipos, patfield, ier);
  if (ipos == 0) st_rmst(table, "MORTBL:", ipos, patfield, ier);
  if (ipos == 0) strings::copy_field(table, patfield);

  // Split at the last "/" or ":": path (with that character) and file name.
  const std::string_view patfil = strings::trim_right(strings::as_view(patfield));
  std::string_view path;
  std::string_view filnam = patfil;
  if (const std::size_t k = patfil.find_last_of("/:"); k != std::string_view::npos) {
    path = patfil.substr(0, k + 1);
    filnam = patfil.substr(k + 1);
  }
  const std::string_view typnam = strings::trim_right(type);

  std::string name(patfil);
  if (table_exists(filnam)) {
    name = filnam;
  } else if (!path.empty() && table_exists(patfil)) {
    name = patfil;
  } else if (const std::string typed =
                 cut(std::string(kTableDir) + std::string(typnam) + "/" + std::string(filnam));
             !typnam.empty() && table_exists(typed)) {
    name = typed;
  } else if (const std::string direct = cut(std::string(kTableDir) + std::string(filnam));
             table_exists(direct)) {
    name = direct;
  }

  fl_sopn(name, lun, iret);
  if (iret != 0) return;
  fl_tdat(lun, iret);
  if (iret != 0) {
    fl_clos(lun, ier);
    lun = 0;
  }
}

void fl_tdat(int lun, int& iret) {
  std::array<char, kRecordWidth> filrec{};
  std::array<char, kRecordWidth> stripped{};
  for (;;) {
    const int status = platform::read_field(lun, filrec);
    if (status == platform::kEndOfFile) {
      iret = kFlNoData;
      return;
    }
    if (status != platform::kOk) {
      int ier = 0;
      fl_iret(status, iret, ier);
      return;
    }
    int nc = 0;
    int ier = 0;
    st_ldsp(strings::as_view(filrec), stripped, nc, ier);
    if (nc > 0 && stripped[0] != '!') break;  // a data line
  }
  fl_bksp(lun, iret);
}
