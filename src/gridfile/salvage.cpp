// salvage: the grids of a damaged file that read back whole, copied record
// for record into a new file that appears only when complete.
#include <array>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gd_blocks.h"
#include "grid/gd_codes.h"
#include "gridfile/gridfile.h"
#include "gridfile/internal.h"

namespace gridfile {
namespace {

constexpr std::string_view kPart = "GRID";
constexpr int kRow = 1;  // a grid file has one row; each grid is a column

struct Blocks {
  std::array<float, detail::kNavWords> nav{};
  std::array<float, detail::kAnlWords> anl{};
  int nnav = 0, nanl = 0, hdrlen = 0, maxgrids = 0;
};

Blocks blocks_of(int gfnum) {
  Blocks b;
  int ier = 0;
  gd_gnav(gfnum, b.nav, b.nnav, ier);
  const std::size_t fi = grid::file_index(gfnum);
  b.nanl = grdcmn.gfanlln[fi];
  for (int k = 0; k < detail::kAnlWords; ++k) {
    b.anl[static_cast<std::size_t>(k)] = grdcmn.gfanl[grid::anl_index(k + 1, gfnum)];
  }
  b.hdrlen = grdcmn.gfhdrln[fi];
  b.maxgrids = dm::label(gfnum).ncol;
  return b;
}

// The new file, under its temporary name until published.
Result<int> create_target(const std::string& target, const Blocks& b) {
  Result<std::string> name = detail::library_name(target);
  if (!name) return name.error();
  detail::MessageCapture capture;
  int gfnum = 0, iret = 0;
  grid::set_publish_on_create(false);
  gd_cref(*name, b.nnav, b.nav, b.nanl, b.anl, b.hdrlen, b.maxgrids, gfnum, iret);
  grid::set_publish_on_create(true);
  if (iret != 0) return detail::library_error("GD", iret, target, capture.lines());
  return gfnum;
}

// Column header and data record of grid igrid of `from` as the next grid of `to`.
int copy_grid(int from, int igrid, int to) {
  std::array<int, 10> keys{};
  int iret = 0;
  dm_rclh(from, igrid, keys, iret);
  std::vector<int> words;
  if (iret == 0) iret = dm::read_record_words(from, kRow, igrid, kPart, words);
  int icol = 0;
  if (iret == 0) dm_wclh(to, 0, keys, icol, iret);
  if (iret == 0) iret = dm::write_record_words(to, kRow, icol, kPart, words);
  return iret;
}

}  // namespace

Result<SalvageResult> salvage(const std::string& path, const std::string& target) {
  Result<GridFile> source = GridFile::open(path);
  if (!source) return source.error();
  const int from = source->state_->gfnum;
  Result<int> to = create_target(target, blocks_of(from));
  if (!to) return to.error();
  SalvageResult done;
  int iret = 0;
  const int n = source->count();
  for (int igrid = 1; igrid <= n && iret == 0; ++igrid) {
    Result<GridInfo> info = source->info(igrid);
    if (!info && info.error().code == grid::kGdNoGrid) continue;  // an unused number
    // A grid is copied only when all of it reads back.
    Result<Grid> whole = info ? source->read(igrid) : Result<Grid>(info.error());
    if (!whole) {
      done.left_out.push_back("grid " + std::to_string(igrid) +
                              (info ? " (" + info->id.text() + ")" : "") + ": " +
                              whole.error().text);
      continue;
    }
    iret = copy_grid(from, igrid, *to);
    if (iret == 0) ++done.copied;
  }
  detail::MessageCapture capture;
  if (iret == 0) iret = dm::publish_file(*to, target);
  int ier = 0;
  gd_clos(*to, ier);  // a file never published is removed
  if (iret != 0) return detail::library_error("DM", iret, target, capture.lines());
  return done;
}

}  // namespace gridfile
