#include "plot/selection.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace plot {

namespace {

bool same_text(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

bool time_matches(std::string_view wanted, const std::string& time) {
  return !time.empty() && (same_text(wanted, time) || same_text(wanted, gridfile::iso8601(time)));
}

}  // namespace

bool Selection::matches(const gridfile::GridInfo& grid) const {
  const gridfile::GridId& id = grid.id;
  if (number && *number != grid.number) return false;
  if (param && !same_text(*param, id.param)) return false;
  if (time && !time_matches(*time, id.time1) && !time_matches(*time, id.time2)) return false;
  if (level && *level != id.level1 && !(id.level2 != -1 && *level == id.level2)) return false;
  if (vcoord && *vcoord != id.vcoord) return false;
  return true;
}

std::string Selection::text() const {
  std::string out;
  auto add = [&out](std::string_view option, const std::string& value) {
    if (!out.empty()) out += ' ';
    out.append(option).append(" ").append(value);
  };
  if (number) add("grid", std::to_string(*number));
  if (param) add("--param", *param);
  if (time) add("--time", *time);
  if (level) add("--level", std::to_string(*level));
  if (vcoord) add("--vcoord", gridfile::vcoord_name(*vcoord));
  return out.empty() ? "no selection" : out;
}

std::optional<int> parse_vcoord(std::string_view text) {
  if (auto code = gridfile::vcoord_code(text)) return code;
  int code = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return code;
}

std::vector<gridfile::GridInfo> select_grids(const std::vector<gridfile::GridInfo>& grids,
                                             const Selection& selection) {
  std::vector<gridfile::GridInfo> fits;
  std::ranges::copy_if(grids, std::back_inserter(fits),
                       [&selection](const auto& g) { return selection.matches(g); });
  return fits;
}

}  // namespace plot
