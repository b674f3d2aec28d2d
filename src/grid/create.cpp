// Grid file creation: a DM file of one row and one column per grid, ten column
// keys for the grid identifier, the part "GRID" and the real file headers
// "NAVB" (navigation block) and "ANLB" (analysis block).
#include "grid/gd.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "dm/dm.h"
#include "grid/gd_codes.h"
#include "grid/marks.h"
#include "services/er.h"

namespace {

constexpr int kGridFileType = 3;
constexpr int kGridFileSource = 6;
constexpr int kDefaultGrids = 400;  // maxgrids 0 or less
constexpr int kMostGrids = 9999;    // one row leaves 9999 of the 10000 headers for columns

constexpr std::array<std::string_view, 2> kFileHeaderNames = {"NAVB", "ANLB"};
constexpr std::array<int, 2> kFileHeaderLengths = {grid::kNavWords, grid::kAnlWords};
constexpr std::array<int, 2> kFileHeaderTypes = {1, 1};  // reals
constexpr std::array<std::string_view, 1> kRowKeys = {"GRID"};
constexpr std::array<std::string_view, 10> kColumnKeys = {"GDT1", "GTM1", "GDT2", "GTM2", "GLV1",
                                                          "GLV2", "GVCD", "GPM1", "GPM2", "GPM3"};
constexpr std::array<std::string_view, 1> kPartNames = {"GRID"};
constexpr std::array<int, 1> kPartTypes = {5};  // packed grid
constexpr std::array<int, 1> kPartParameterCounts = {1};
constexpr std::array<std::string_view, 1> kParameterNames = {"GRID"};
constexpr std::array<int, 1> kNoPacking = {0};  // scale, offset, bits: packing is per grid

// Whether gd_cref names the file before it returns (set_publish_on_create).
bool publish_on_create = true;

// The DM failure, then the grid layer's own line, both with `context`.
void report_failure(int idmcode, std::string_view context) {
  int ier = 0;
  er_wmsg("DM", idmcode, context, ier);
  er_wmsg("GD", grid::kGdCreateFailed, context, ier);
}

}  // namespace

void gd_cref(std::string_view filnam, int nnav, std::span<const float> navblock, int nanl,
             std::span<const float> anlblock, int hdrlen, int maxgrids, int& gfnum, int& iret) {
  iret = grid::kGdOk;
  int ngrid = maxgrids;
  if (maxgrids <= 0) ngrid = kDefaultGrids;
  if (maxgrids > kMostGrids) ngrid = kMostGrids;

  if (hdrlen > grid::kHeaderBufWords - 2) {
    iret = grid::kGdHeaderTooLong;
    return;
  }
  // A count beyond the block the caller handed over cannot be stored: refuse it
  // before any file exists rather than read past the block.
  if (nnav > static_cast<int>(navblock.size()) || nanl > static_cast<int>(anlblock.size())) {
    iret = grid::kGdCreateFailed;
    int ier = 0;
    er_wmsg("GD", grid::kGdCreateFailed, filnam, ier);
    return;
  }

  const std::array<int, 1> idthdr = {hdrlen + 2};
  int ier = 0;
  // The file gets its name only once the headers below are in it too.
  dm::set_publish_on_create(false);
  dm_cret(filnam, kGridFileType, kGridFileSource, 2, kFileHeaderNames, kFileHeaderLengths,
          kFileHeaderTypes, 1, 1, kRowKeys, ngrid, 10, kColumnKeys, 1, kPartNames, idthdr,
          kPartTypes, kPartParameterCounts, 1, kParameterNames, kNoPacking, kNoPacking, kNoPacking,
          gfnum, ier);
  dm::set_publish_on_create(true);
  if (ier != 0) {
    report_failure(ier, filnam);
    iret = grid::kGdCreateFailed;
    return;
  }
  const int f = gfnum;

  // The single row: its one key ("GRID") is 1.
  const std::array<int, 1> irowhd = {1};
  int ipos = 0;
  dm_wrwh(f, 1, irowhd, ipos, ier);
  // A row header that did not reach the disk leaves a file whose grids no
  // reader finds: its failure is reported like a file header's.
  if (ier == 0) dm_wfhr(f, "NAVB", navblock, nnav, ier);
  if (ier == 0 && nanl > 0) dm_wfhr(f, "ANLB", anlblock, nanl, ier);
  if (ier != 0) {
    report_failure(ier, " ");
    gmgrid.gfmark[grid::file_index(f)] = -1;
    dm_clos(f, ier);  // the unfinished file is removed
    iret = grid::kGdCreateFailed;
    return;
  }
  if (publish_on_create) ier = dm::publish_file(f, filnam);
  if (ier != 0) {
    report_failure(ier, filnam);
    gmgrid.gfmark[grid::file_index(f)] = -1;
    dm_clos(f, ier);
    iret = grid::kGdCreateFailed;
    return;
  }

  const std::size_t fi = grid::file_index(f);
  grdcmn.gfgrids[fi] = 0;
  grdcmn.gfntime[fi] = 0;
  grdcmn.gflist[grid::list_index(1, f)] = 0;
  grdcmn.gfwrite[fi] = 1;
  gmgrid.gfmark[fi] = f;
  grdcmn.gfhdrln[fi] = hdrlen;

  const int navcopy = std::clamp(nnav, 0, grid::kNavWords);
  std::copy_n(navblock.begin(), navcopy, grdcmn.gfnav.begin() + grid::nav_index(1, f));
  grdcmn.gfnavln[fi] = nnav;
  const int anlcopy = std::clamp(nanl, 0, grid::kAnlWords);
  std::copy_n(anlblock.begin(), anlcopy, grdcmn.gfanl.begin() + grid::anl_index(1, f));
  grdcmn.gfanlln[fi] = nanl;
}

namespace grid {

void set_publish_on_create(bool on) {
  publish_on_create = on;
}

}  // namespace grid
