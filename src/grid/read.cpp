// Reading grid files back: opening an existing grid file (its navigation and
// analysis blocks and its time list are rebuilt from the file), the grids'
// identifiers by number, and a grid's values by number or by identifier.
#include "grid/gd.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "dm/dm.h"
#include "grid/gd_codes.h"
#include "grid/lookup.h"
#include "grid/marks.h"
#include "services/er.h"
#include "strings/st.h"
#include "time/tg.h"

namespace {

using grid::kIdentifierWords;
constexpr std::array<std::string_view, kIdentifierWords> kColumnKeys = {
    "GDT1", "GTM1", "GDT2", "GTM2", "GLV1", "GLV2", "GVCD", "GPM1", "GPM2", "GPM3"};

void report_dm(int idmcode, std::string_view text) {
  int ier = 0;
  er_wmsg("DM", idmcode, text, ier);
}

// Whether the open DM file idmf is laid out as a grid file: the ten identifier
// keys as its column keys, in order, a packed-grid part "GRID" whose header
// holds the grid size and fits the header buffer, and a "NAVB" file header.
// ilenhd is the part's header length.
bool is_grid_file(int idmf, int& ilenhd) {
  int ityprt = 0, nparms = 0, ier = 0;
  dm_qprt(idmf, "GRID", ilenhd, ityprt, nparms, ier);
  if (ier != 0 || ityprt != 5 || ilenhd < 2 || ilenhd > grid::kHeaderBufWords) return false;
  for (int k = 1; k <= kIdentifierWords; ++k) {
    std::array<char, 3> type{};
    int loc = 0;
    dm_fkey(idmf, kColumnKeys[static_cast<std::size_t>(k - 1)], type, loc, ier);
    if (ier != 0 || std::string_view(type.data(), type.size()) != "COL" || loc != k) return false;
  }
  std::array<float, grid::kNavWords> nav{};
  int nnav = 0;
  dm_rfhr(idmf, "NAVB", grid::kNavWords, nav, nnav, ier);
  return ier == 0;
}

// Navigation and analysis blocks, and the time list from every grid's time 1.
void rebuild_state(int f, bool wrtflg, int ilenhd) {
  const std::size_t fi = grid::file_index(f);
  int ier = 0, nnav = 0, nanl = 0;
  std::span<float> nav =
      std::span<float>(grdcmn.gfnav).subspan(grid::nav_index(1, f), grid::kNavWords);
  std::span<float> anl =
      std::span<float>(grdcmn.gfanl).subspan(grid::anl_index(1, f), grid::kAnlWords);
  std::fill(nav.begin(), nav.end(), 0.0f);
  std::fill(anl.begin(), anl.end(), 0.0f);
  dm_rfhr(f, "NAVB", grid::kNavWords, nav, nnav, ier);
  dm_rfhr(f, "ANLB", grid::kAnlWords, anl, nanl, ier);  // may be absent or empty
  grdcmn.gfnavln[fi] = nnav;
  grdcmn.gfanlln[fi] = ier == 0 ? nanl : 0;
  grdcmn.gfhdrln[fi] = ilenhd - 2;
  grdcmn.gfwrite[fi] = wrtflg ? 1 : 0;
  grdcmn.gfntime[fi] = 0;
  grdcmn.gflist[grid::list_index(1, f)] = 0;
  gmgrid.gfmark[fi] = f;
  std::array<int, kIdentifierWords> ihdarr{};
  for (int icol = 1;; ++icol) {
    dm_rclh(f, icol, ihdarr, ier);
    if (ier == dm::kDmBadRowCol) break;
    if (ier != 0) continue;  // an unused column
    std::array<int, 3> intdtf{};
    tg_ftoi(std::span<const int>(ihdarr).first(2), intdtf, ier);
    gd_addt(f, intdtf, ier);
  }
  grdcmn.gfgrids[fi] = 0;  // grids added by this process
}

// One time of the identifier: its two words back to text.
int time_text(std::span<const int> timwrd, std::span<char> timtxt) {
  std::array<int, 3> intdtf{};
  int iret = 0;
  tg_ftoi(timwrd, intdtf, iret);
  tg_itoc(intdtf, timtxt, iret);
  return iret;
}

}  // namespace

void gd_open(std::string_view filnam, bool wrtflg, int& gfnum, int& iret) {
  gfnum = 0;
  int idmf = 0;
  dm_open(filnam, wrtflg, idmf, iret);
  if (iret != 0) {
    report_dm(iret, filnam);
    iret = grid::kGdCreateFailed;
    return;
  }
  int ilenhd = 0, ier = 0;
  if (!is_grid_file(idmf, ilenhd)) {
    dm_clos(idmf, ier);
    iret = grid::kGdNotGridFile;
    return;
  }
  rebuild_state(idmf, wrtflg, ilenhd);
  gfnum = idmf;
}

void gd_ngrd(int gfnum, int& ngrid, int& iret) {
  ngrid = 0;
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  std::array<int, kIdentifierWords> ihdarr{};
  for (int icol = 1;; ++icol) {
    int ier = 0;
    dm_rclh(gfnum, icol, ihdarr, ier);
    if (ier == dm::kDmBadRowCol) break;
    if (ier == 0) ngrid = icol;
  }
}

void gd_htoi(std::span<const int> ihdarr, std::span<char> time1, std::span<char> time2,
             std::span<int> levpair, int& vcode, std::span<char> pname, int& iret) {
  iret = time_text(ihdarr.subspan(0, 2), time1);
  const int ier = time_text(ihdarr.subspan(2, 2), time2);
  if (iret == 0) iret = ier;
  levpair[0] = ihdarr[4];
  levpair[1] = ihdarr[5];
  vcode = ihdarr[6];
  std::array<char, 12> name{};
  std::memcpy(name.data(), &ihdarr[7], name.size());  // words 8..10, first character lowest
  for (std::size_t i = 0; i < pname.size(); ++i) pname[i] = i < name.size() ? name[i] : ' ';
}

void gd_gidn(int gfnum, int igrid, std::span<char> time1, std::span<char> time2,
             std::span<int> levpair, int& vcode, std::span<char> pname, int& iret) {
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  std::array<int, kIdentifierWords> ihdarr{};
  dm_rclh(gfnum, igrid, ihdarr, iret);
  if (iret != 0) {
    iret = grid::kGdNoGrid;
    return;
  }
  gd_htoi(ihdarr, time1, time2, levpair, vcode, pname, iret);
}

void gd_rgrd(int gfnum, int igrid, std::span<float> grid, int& kx, int& ky, std::span<int> grdhdr,
             int& iret) {
  kx = ky = 0;
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  std::span<int> hdr(grdcmn.gfhdbuf);
  int nword = 0;
  dm_rdtr(gfnum, 1, igrid, "GRID", hdr, grid, nword, iret);
  if (iret == dm::kDmBadRowCol || iret == dm::kDmNoData) {
    iret = grid::kGdNoGrid;
    return;
  }
  if (iret == dm::kDmBadArgument) {
    iret = grid::kGdBadSize;
    return;
  }
  // The header's grid size must describe the values the record holds.
  if (iret == 0 && (hdr[0] < 1 || hdr[1] < 1 || std::int64_t{hdr[0]} * hdr[1] != nword)) {
    iret = dm::kDmDamaged;
  }
  if (iret != 0) {
    report_dm(iret, " ");
    iret = grid::kGdReadFailed;
    return;
  }
  kx = hdr[0];
  ky = hdr[1];
  const auto nhdr = std::min<std::size_t>(
      grdhdr.size(), static_cast<std::size_t>(grdcmn.gfhdrln[grid::file_index(gfnum)]));
  std::copy_n(hdr.begin() + 2, nhdr, grdhdr.begin());
}

void gd_rdat(int gfnum, std::span<const std::string_view> timpair, std::span<const int> levpair,
             int vcode, std::string_view pname, std::span<float> grid, int& kx, int& ky,
             std::span<int> grdhdr, int& iret) {
  kx = ky = 0;
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  std::array<int, kIdentifierWords> ihdarr{};
  int icol = 0;
  if (grid::find_grid(gfnum, timpair, levpair, vcode, pname, ihdarr, icol) != 0) {
    iret = grid::kGdNoGrid;
    return;
  }
  gd_rgrd(gfnum, icol, grid, kx, ky, grdhdr, iret);
}

void gd_gnav(int gfnum, std::span<float> navblock, int& nnav, int& iret) {
  nnav = 0;
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  const std::size_t fi = grid::file_index(gfnum);
  nnav = std::min(grdcmn.gfnavln[fi], static_cast<int>(navblock.size()));
  std::copy_n(grdcmn.gfnav.begin() + static_cast<std::ptrdiff_t>(grid::nav_index(1, gfnum)), nnav,
              navblock.begin());
}

void gd_gpck(int gfnum, int igrid, int& ipktyp, int& nbits, int& iret) {
  ipktyp = nbits = 0;
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  dm_rgpk(gfnum, 1, igrid, "GRID", ipktyp, nbits, iret);
  if (iret == dm::kDmBadRowCol || iret == dm::kDmNoData)
    iret = grid::kGdNoGrid;
  else if (iret != 0)
    iret = grid::kGdReadFailed;
}

void gd_clos(int gfnum, int& iret) {
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  int ier = 0;
  dm_clos(gfnum, ier);
  gmgrid.gfmark[grid::file_index(gfnum)] = -1;
}
