#include "plot/selection.h"

#include <algorithm>

namespace plot {

bool Selection::matches(const gridfile::GridInfo& grid) const {
  if (number && *number != grid.number) return false;
  return GridFilter::matches(grid.id);
}

std::string Selection::text() const {
  std::string out;
  auto add = [&out](std::string_view option, const std::string& value) {
    if (!out.empty()) out += ' ';
    out.append(option).append(" ").append(value);
  };
  if (number) add("grid", std::to_string(*number));
  if (param) add("--param", *param);
  if (time) add("--time", time->text());
  if (level) add("--level", std::to_string(*level));
  if (vcoord) add("--vcoord", gridfile::vcoord_name(*vcoord));
  return out.empty() ? "no selection" : out;
}

std::vector<gridfile::GridInfo> select_grids(const std::vector<gridfile::GridInfo>& grids,
                                             const Selection& selection) {
  std::vector<gridfile::GridInfo> fits;
  std::ranges::copy_if(grids, std::back_inserter(fits),
                       [&selection](const auto& g) { return selection.matches(g); });
  return fits;
}

}  // namespace plot
