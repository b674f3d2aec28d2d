#include "gridfile/selection.h"

#include <algorithm>
#include <cctype>

namespace gridfile {
namespace {

bool same_text(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

Result<TimeSelection> parse_time_selection(std::string_view text, const YearWindow& window) {
  std::string problem;
  std::optional<TimeSelection> selection = TimeSelection::parse(text, window, problem);
  if (!selection) return Error(Source::kArgument, kBadArgument, problem, Condition::kBadArgument);
  return std::move(*selection);
}

bool GridFilter::matches(const GridId& id) const {
  if (param && !same_text(*param, id.param)) return false;
  if (time && !time->matches(id.time1) && !time->matches(id.time2)) return false;
  if (level && *level != id.level1 && id.level2 != level) return false;
  if (vcoord && *vcoord != id.vcoord) return false;
  return true;
}

}  // namespace gridfile
