// Grid writing: a grid goes into the column whose header is its identifier,
// as the data record of (row 1, that column, part "GRID"); a new identifier
// takes the first free column and enters its time into the file's time list.
// The column header of a new grid is written last, once the grid's record is
// whole on the file and pointed at (write order: dm/cache.cpp), so the file
// lists a grid only when it holds all of it.
#include "grid/gd.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

#include "dm/dm.h"
#include "grid/gd_codes.h"
#include "grid/lookup.h"
#include "grid/marks.h"
#include "grid/packed_write.h"
#include "services/er.h"
#include "strings/st.h"
#include "time/tg.h"

namespace {

using grid::kIdentifierWords;

void report_dm(int idmcode) {
  int ier = 0;
  er_wmsg("DM", idmcode, " ", ier);
}

}  // namespace

void gd_fchk(int gfnum, int& iret) {
  iret = grid::kGdOk;
  if (gfnum < 1 || gfnum > grid::kMaxGridFiles || gmgrid.gfmark[grid::file_index(gfnum)] < 0) {
    iret = grid::kGdBadFile;
  }
}

void gd_wdat(int gfnum, std::span<const float> grid, int kx, int ky, std::span<const int> grdhdr,
             std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, bool replace, int& iret) {
  gd_wpgd(gfnum, grid, kx, ky, grdhdr, timpair, levpair, vcode, pname, replace, 0, 0, iret);
}

void gd_wpgd(int gfnum, std::span<const float> grid, int kx, int ky, std::span<const int> grdhdr,
             std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, bool replace, int ipktyp, int nbits, int& iret) {
  int refusal = 0;
  grid::write_packed_grid(gfnum, grid, kx, ky, grdhdr, timpair, levpair, vcode, pname, replace,
                          ipktyp, nbits, grid::OnPackingRefusal::kRefuse, refusal, iret);
  if (refusal != 0) report_dm(refusal);
}

namespace grid {

void write_packed_grid(int gfnum, std::span<const float> grid, int kx, int ky,
                       std::span<const int> grdhdr, std::span<const std::string_view> timpair,
                       std::span<const int> levpair, int vcode, std::string_view pname,
                       bool replace, int ipktyp, int nbits, OnPackingRefusal on_refusal,
                       int& refusal, int& iret) {
  refusal = 0;
  gd_fchk(gfnum, iret);
  if (iret != 0) return;
  const int f = gfnum;
  const std::size_t fi = grid::file_index(f);
  if (grdcmn.gfwrite[fi] == 0) {
    iret = grid::kGdNotWritable;
    return;
  }
  // The size must be positive, and the caller must hand over all kx * ky values
  // (and the product must stay an int, the count the data writer takes).
  const std::int64_t kxky = std::int64_t{kx} * std::int64_t{ky};
  if (kx <= 0 || ky <= 0 || kxky > std::numeric_limits<int>::max() ||
      kxky > static_cast<std::int64_t>(grid.size())) {
    iret = grid::kGdBadSize;
    return;
  }
  const int nword = static_cast<int>(kxky);

  std::array<int, kIdentifierWords> ihdarr{};
  int icol = 0;
  const bool found = grid::find_grid(f, timpair, levpair, vcode, pname, ihdarr, icol) == 0;
  int ier = 0;
  if (found && !replace) {
    iret = grid::kGdDuplicate;
    return;
  }
  const bool is_new = !found;
  if (is_new) {  // the first free column, claimed on the file only at the end
    icol = dm::first_free_column(f);
    if (icol == 0) {
      report_dm(dm::kDmNoFreeHeader);
      iret = grid::kGdNoColumn;
      return;
    }
  }

  // Data header: X size, Y size, then the grid header words.
  const int nhdr = std::clamp(grdcmn.gfhdrln[fi], 0, grid::kHeaderBufWords - 2);
  const int ncopy = std::min(nhdr, static_cast<int>(grdhdr.size()));
  grdcmn.gfhdbuf[0] = kx;
  grdcmn.gfhdbuf[1] = ky;
  std::copy_n(grdhdr.begin(), ncopy, grdcmn.gfhdbuf.begin() + 2);
  std::fill(grdcmn.gfhdbuf.begin() + 2 + ncopy, grdcmn.gfhdbuf.begin() + 2 + nhdr, 0);

  dm_sgpk(kx, ky, ipktyp, nbits, false, 0.0f, 0.0f, 0.0f, ier);
  dm_wdtr(f, 1, icol, "GRID", grdcmn.gfhdbuf, grid, nword, ier);
  if (ier != 0 && ipktyp != 0 && dm::is_packing_refusal(ier)) {
    // Refused by the packer, before anything reached the file.
    refusal = ier;
    if (on_refusal == OnPackingRefusal::kWriteUnpacked) {
      dm_sgpk(kx, ky, 0, 0, false, 0.0f, 0.0f, 0.0f, ier);
      dm_wdtr(f, 1, icol, "GRID", grdcmn.gfhdbuf, grid, nword, ier);
    }
  }
  if (ier != 0) {
    if (ier != refusal) report_dm(ier);
    iret = grid::kGdWriteFailed;
    return;
  }
  dm_fwrt(f, iret);
  if (iret != 0) return;

  if (is_new) {
    int ipos = 0;
    dm_wclh(f, icol, ihdarr, ipos, ier);
    if (ier == 0) ier = dm::sync_file(f);
    if (ier != 0) {
      report_dm(ier);
      iret = grid::kGdWriteFailed;
      return;
    }
    std::array<int, 3> intdft{};
    tg_ftoi(std::span<const int>(ihdarr).first(2), intdft, ier);
    gd_addt(f, intdft, ier);
  }
}

}  // namespace grid
