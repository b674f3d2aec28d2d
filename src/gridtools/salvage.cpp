// Salvage of a damaged grid file: every grid the reader gives back whole is
// written into a new file through the ordinary (crash-consistent) grid writer.
#include "gridtools/salvage.h"

#include <array>
#include <string>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gd_codes.h"
#include "platform/platform.h"
#include "strings/concat.h"
#include "strings/field.h"

namespace gridinfo {
namespace {

constexpr int kMaxGridWords = 1 << 28;  // a grid record cannot hold more values

void problem(std::string_view path, std::string_view text) {
  platform::write_error_line("gridinfo: " + std::string(path) + ": " + std::string(text));
}

std::string trimmed(std::span<const char> field) {
  return std::string(strings::trim_right(strings::as_view(field)));
}

// Grid igrid of the open file: identifier, values, header and packing.
struct Grid {
  std::array<char, 20> time1{}, time2{};
  std::array<int, 2> levpair{};
  int vcode = 0;
  std::array<char, 12> pname{};
  std::vector<float> values;
  std::array<int, 128> grdhdr{};
  int kx = 0, ky = 0, ipktyp = 0, nbits = 0;
};

// 0, grid::kGdNoGrid for an unused number, or the reader's code.
int read_grid(int gfnum, int igrid, Grid& g) {
  int iret = 0;
  gd_gidn(gfnum, igrid, g.time1, g.time2, g.levpair, g.vcode, g.pname, iret);
  if (iret != 0) return iret;
  g.values.assign(1024, 0.0f);
  for (;;) {
    gd_rgrd(gfnum, igrid, g.values, g.kx, g.ky, g.grdhdr, iret);
    if (iret != grid::kGdBadSize || g.values.size() >= kMaxGridWords) break;
    g.values.resize(g.values.size() * 8);
  }
  if (iret != 0) return iret;
  gd_gpck(gfnum, igrid, g.ipktyp, g.nbits, iret);
  return iret;
}

}  // namespace

int salvage_file(std::string_view path, std::string_view target) {
  int ier = 0, gfnum = 0;
  gd_open(strings::concat({"^", path}), false, gfnum, ier);
  if (ier != 0) {
    problem(path, "cannot be opened as a grid file (code " + std::to_string(ier) + ")");
    return 1;
  }
  const std::string& warning = dm::open_warning(gfnum);
  if (!warning.empty()) problem(path, "damaged: " + warning);

  const std::size_t fi = grid::file_index(gfnum);
  std::array<float, grid::kNavWords> nav{};
  int nnav = 0;
  gd_gnav(gfnum, nav, nnav, ier);
  const int nanl = grdcmn.gfanlln[fi];
  std::array<float, grid::kAnlWords> anl{};
  for (int k = 0; k < grid::kAnlWords; ++k)
    anl[static_cast<std::size_t>(k)] = grdcmn.gfanl[grid::anl_index(k + 1, gfnum)];
  const int hdrlen = grdcmn.gfhdrln[fi];
  const int maxgrids = dm::label(gfnum).ncol;

  int newnum = 0;
  gd_cref(strings::concat({"^", target}), nnav, nav, nanl, anl, hdrlen, maxgrids, newnum, ier);
  if (ier != 0) {
    problem(target, "cannot be created (code " + std::to_string(ier) + ")");
    gd_clos(gfnum, ier);
    return 1;
  }
  int last = 0;
  gd_ngrd(gfnum, last, ier);
  int copied = 0, left = 0;
  Grid g;
  for (int igrid = 1; igrid <= last; ++igrid) {
    int iret = read_grid(gfnum, igrid, g);
    if (iret == grid::kGdNoGrid) continue;
    const std::string what = "grid " + std::to_string(igrid) + " (" + trimmed(g.time1) + " " +
                             std::to_string(g.levpair[0]) + " " + trimmed(g.pname) + ")";
    if (iret != 0) {
      problem(path,
              what + " left out: it does not read back whole (code " + std::to_string(iret) + ")");
      ++left;
      continue;
    }
    const std::string t1 = trimmed(g.time1), t2 = trimmed(g.time2), name = trimmed(g.pname);
    const std::array<std::string_view, 2> timpair{t1, t2};
    gd_wpgd(newnum, g.values, g.kx, g.ky, g.grdhdr, timpair, g.levpair, g.vcode, name, false,
            g.ipktyp, g.nbits, iret);
    if (iret != 0) {
      problem(target, what + " could not be written (code " + std::to_string(iret) + ")");
      ++left;
      continue;
    }
    ++copied;
  }
  gd_clos(gfnum, ier);
  gd_clos(newnum, ier);
  platform::write_line("Salvaged " + std::to_string(copied) + " of " +
                       std::to_string(copied + left) + " grids into " + std::string(target));
  return left == 0 ? 0 : 1;
}

}  // namespace gridinfo
