#include "gridtools/selection.h"

#include <string_view>

namespace gridtools {

std::string Selection::text() const {
  std::string out;
  auto add = [&out](std::string_view key, const std::string& value) {
    if (!out.empty()) out += ' ';
    out.append(key).append("=").append(value);
  };
  if (param) add("param", *param);
  if (time) add("time", time->text());
  if (level) add("level", std::to_string(*level));
  if (vcoord) add("vcoord", gridfile::vcoord_name(*vcoord));
  return out.empty() ? "every grid" : out;
}

}  // namespace gridtools
