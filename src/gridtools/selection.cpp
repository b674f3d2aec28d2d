#include "gridtools/selection.h"

#include <cctype>
#include <charconv>

namespace gridtools {
namespace {

bool same_text(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (std::toupper(static_cast<unsigned char>(a[k])) !=
        std::toupper(static_cast<unsigned char>(b[k]))) {
      return false;
    }
  }
  return true;
}

bool time_matches(std::string_view wanted, const std::string& time) {
  if (time.empty()) return false;
  return same_text(wanted, time) || same_text(wanted, gridfile::iso8601(time));
}

}  // namespace

bool Selection::matches(const gridfile::GridId& id) const {
  if (param && !same_text(*param, id.param)) return false;
  if (time && !time_matches(*time, id.time1) && !time_matches(*time, id.time2)) return false;
  if (level && *level != id.level1 && !(id.level2 != -1 && *level == id.level2)) return false;
  if (vcoord && *vcoord != id.vcoord) return false;
  return true;
}

std::string Selection::text() const {
  std::string out;
  auto add = [&out](std::string_view key, const std::string& value) {
    if (!out.empty()) out += ' ';
    out.append(key).append("=").append(value);
  };
  if (param) add("param", *param);
  if (time) add("time", *time);
  if (level) add("level", std::to_string(*level));
  if (vcoord) add("vcoord", gridfile::vcoord_name(*vcoord));
  return out.empty() ? "every grid" : out;
}

std::optional<int> parse_vcoord(std::string_view text) {
  if (auto code = gridfile::vcoord_code(text)) return code;
  int code = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return code;
}

}  // namespace gridtools
