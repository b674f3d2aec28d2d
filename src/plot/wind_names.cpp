#include "plot/wind_names.h"
#include "strings/text.h"

#include <string_view>

#include <algorithm>
#include <cctype>

namespace plot {

namespace {

std::string upper(std::string_view text) {
  return strings::ascii_upper(text);
}

}  // namespace

std::optional<WindNames> parse_wind_names(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  WindNames names{upper(text.substr(0, comma)), upper(text.substr(comma + 1))};
  if (names.u.empty() || names.v.empty() || names.v.find(',') != std::string::npos) {
    return std::nullopt;
  }
  return names;
}

std::vector<WindNames> default_wind_names(const params::Table* table) {
  if (table == nullptr) return {{"UREL", "VREL"}, {"UWND", "VWND"}};
  std::vector<WindNames> pairs;
  for (const params::Parameter& u : table->entries()) {
    const std::string_view partner = u.standard_name == "x_wind"          ? "y_wind"
                                     : u.standard_name == "eastward_wind" ? "northward_wind"
                                                                          : "";
    if (partner.empty()) continue;
    const params::Parameter* v = nullptr;
    for (const params::Parameter& candidate : table->entries()) {
      if (candidate.standard_name != partner) continue;
      const bool named_alike =
          !u.name.empty() && u.name[0] == 'U' && candidate.name.size() == u.name.size() &&
          candidate.name[0] == 'V' &&
          std::string_view(candidate.name).substr(1) == std::string_view(u.name).substr(1);
      if (v == nullptr || named_alike) v = &candidate;
      if (named_alike) break;
    }
    if (v != nullptr) pairs.push_back({u.name, v->name});
  }
  return pairs;
}

bool earth_relative(const std::string& u, const params::Table* table) {
  const params::Parameter* entry = table != nullptr ? table->find(u) : nullptr;
  return entry == nullptr || entry->standard_name != "x_wind";
}

}  // namespace plot
