#include "gridtools/dump.h"

#include "gridtools/describe.h"
#include "proj/projection.h"

namespace gridtools {

gridfile::Result<gridfile::GridInfo> pick_grid(const gridfile::GridFile& file,
                                               std::optional<int> number,
                                               const Selection& selection) {
  if (number) {
    gridfile::Result<gridfile::GridInfo> info = file.info(*number);
    if (!info)
      return base::Error(base::Source::kTool, info.error().code,
                         "no grid number " + std::to_string(*number));
    if (!selection.matches(info->id)) {
      return base::Error(base::Source::kTool, 0,
                         "grid " + std::to_string(*number) + " (" + info->id.text() +
                             ") does not match " + selection.text());
    }
    return info;
  }
  gridfile::Result<std::vector<gridfile::GridInfo>> infos = file.grids();
  if (!infos) return infos.error();
  std::optional<gridfile::GridInfo> found;
  int matches = 0;
  for (gridfile::GridInfo& info : *infos) {
    if (!selection.matches(info.id)) continue;
    if (++matches == 1) found = std::move(info);
  }
  if (matches == 0)
    return base::Error(base::Source::kTool, 0, "no grid matches " + selection.text());
  if (matches > 1) {
    return base::Error(base::Source::kTool, 0,
                       std::to_string(matches) + " grids match " + selection.text() +
                           "; --dump needs exactly one");
  }
  return *found;
}

void dump_values(const gridfile::Grid& grid, const std::function<void(std::string_view)>& line) {
  // text2grid reads rows from the top (row ny) down, each row west to east.
  for (int j = grid.info.ny; j >= 1; --j) {
    for (int i = 1; i <= grid.info.nx; ++i) line(real_text(grid.at(i, j)));
  }
}

gridfile::Status dump_values_latlon(const gridfile::Grid& grid, const gridfile::Navigation& nav,
                                    const std::function<void(std::string_view)>& line) {
  gridfile::Result<mapproj::Projection> proj = mapproj::Projection::from(nav);
  if (!proj) {
    return base::Error(
        base::Source::kTool, proj.error().code,
        "--latlon: projection " + nav.projection + " has no geometry (" + proj.error().text + ")");
  }
  for (int j = grid.info.ny; j >= 1; --j) {
    for (int i = 1; i <= grid.info.nx; ++i) {
      const std::optional<mapproj::LatLon> p = proj->latlon(i, j);
      const std::string where =
          p ? number_text(p->lat, 8) + " " + number_text(p->lon, 8) : std::string("nan nan");
      line(where + " " + real_text(grid.at(i, j)));
    }
  }
  return {};
}

}  // namespace gridtools
