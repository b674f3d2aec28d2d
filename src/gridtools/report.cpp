#include "gridtools/report.h"

#include <algorithm>

#include "proj/projection.h"

namespace gridtools {

bool FileReport::complete() const {
  return std::all_of(grids.begin(), grids.end(),
                     [](const GridReport& g) { return g.error.empty(); });
}

gridfile::Result<FileReport> build_report(const gridfile::GridFile& file,
                                          const Selection& selection, bool with_stats) {
  FileReport report;
  report.path = file.path();
  report.nav = file.navigation();
  gridfile::Result<std::vector<gridfile::GridInfo>> infos = file.grids();
  if (!infos) return infos.error();
  report.grids_in_file = static_cast<int>(infos->size());
  for (gridfile::GridInfo& info : *infos) {
    if (!selection.matches(info.id)) continue;
    GridReport g;
    if (with_stats) {
      gridfile::Result<gridfile::Grid> grid = file.read(info.number);
      if (grid) {
        g.stats = compute_stats(grid->values);
      } else {
        g.error = grid.error().text;
      }
    }
    g.info = std::move(info);
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
