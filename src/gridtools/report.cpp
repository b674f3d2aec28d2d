#include "gridtools/report.h"

#include <algorithm>

#include "proj/projection.h"

namespace gridtools {
namespace {

constexpr int kNoGrid = -15;  // the grid routines' code for a number that holds no grid

}  // namespace

bool FileReport::complete() const {
  return std::all_of(grids.begin(), grids.end(),
                     [](const GridReport& g) { return g.error.empty(); });
}

gridfile::Result<FileReport> build_report(const gridfile::GridFile& file,
                                          const Selection& selection, bool with_stats) {
  FileReport report;
  report.path = file.path();
  report.nav = file.navigation();
  // Grid by grid: one that cannot be read (a torn file, a damaged record) is
  // listed as unreadable and the others still are.
  const int n = file.count();
  for (int number = 1; number <= n; ++number) {
    gridfile::Result<gridfile::GridInfo> info = file.info(number);
    if (!info && info.error().code == kNoGrid) continue;  // an unused number
    ++report.grids_in_file;
    GridReport g;
    if (!info) {
      if (!selection.empty()) continue;  // nothing to match against
      g.info.number = number;
      g.error = info.error().text;
      report.grids.push_back(std::move(g));
      continue;
    }
    if (!selection.matches(info->id)) continue;
    if (with_stats) {
      gridfile::Result<gridfile::Grid> grid = file.read(number);
      if (grid) {
        g.stats = compute_stats(grid->values);
      } else {
        g.error = grid.error().text;
      }
    }
    g.info = std::move(info).value();
    report.grids.push_back(std::move(g));
  }
  return report;
}

void add_units(FileReport& report, const params::Table& table) {
  for (GridReport& g : report.grids) {
    const params::Parameter* p = table.find(g.info.id.param);
    if (p != nullptr && !p->units.empty()) g.units = p->units;
  }
}

void add_spacing(FileReport& report) {
  gridfile::Result<mapproj::Projection> proj = mapproj::Projection::from(report.nav);
  if (!proj) return;
  report.spacing = Spacing{proj->dx(), proj->dy(), proj->metres() ? "m" : "degrees"};
}

}  // namespace gridtools
