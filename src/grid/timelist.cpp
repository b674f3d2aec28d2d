// The per-file time list: the distinct times of the grids written, ascending
// as (date, time, forecast word) compared in that order, each with its count
// of grids. Entries 1..gfntime(f) of gftimes(f) are in use.
#include "grid/gd.h"

#include <span>

namespace {

// -1, 0 or 1 as time a sorts before, with or after entry k of file f.
int compare_with_entry(std::span<const int> a, int k, int f) {
  for (int j = 1; j <= grid::kTimeWords; ++j) {
    const int listed = grdcmn.gftimes[grid::time_index(j, k, f)];
    const int given = a[static_cast<std::size_t>(j - 1)];
    if (given != listed) return given < listed ? -1 : 1;
  }
  return 0;
}

void copy_entry(int kfrom, int kto, int f) {
  for (int j = 1; j <= grid::kTimeWords; ++j) {
    grdcmn.gftimes[grid::time_index(j, kto, f)] = grdcmn.gftimes[grid::time_index(j, kfrom, f)];
  }
  grdcmn.gftgrid[grid::tgrid_index(kto, f)] = grdcmn.gftgrid[grid::tgrid_index(kfrom, f)];
}

}  // namespace

void gd_addt(int gfnum, std::span<const int> intdft, int& iret) {
  iret = 0;
  if (gfnum < 1 || gfnum > grid::kMaxGridFiles) return;
  const int f = gfnum;
  const std::size_t fi = grid::file_index(f);
  int& ntime = grdcmn.gfntime[fi];

  // From the last entry back: a time later than every listed one costs one comparison.
  int igrid = ntime;
  bool equal = false;
  bool found = false;
  while (igrid > 0 && !found) {
    const int order = compare_with_entry(intdft, igrid, f);
    if (order == 0) {
      equal = true;
      found = true;
    } else if (order > 0) {
      found = true;
    } else {
      --igrid;
    }
  }

  if (equal) {
    ++grdcmn.gftgrid[grid::tgrid_index(igrid, f)];
  } else if (ntime < grid::kMaxTimes) {
    for (int k = ntime; k > igrid; --k) copy_entry(k, k + 1, f);
    for (int j = 1; j <= grid::kTimeWords; ++j) {
      grdcmn.gftimes[grid::time_index(j, igrid + 1, f)] = intdft[static_cast<std::size_t>(j - 1)];
    }
    grdcmn.gftgrid[grid::tgrid_index(igrid + 1, f)] = 1;
    ++ntime;
  }
  // A new time with the list full is not listed; the grid itself still counts.

  grdcmn.gflist[grid::list_index(1, f)] = 0;
  ++grdcmn.gfgrids[fi];
}
