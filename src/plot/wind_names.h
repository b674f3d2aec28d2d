// Which parameters hold the wind: the pair the user names ("UREL,VREL"), or
// the parameter table's pairs of components, and whether a pair is relative
// to the earth (eastward, northward) or to the grid (along x and y).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/params.h"

namespace plot {

struct WindNames {
  std::string u, v;  // upper case
  friend bool operator==(const WindNames&, const WindNames&) = default;
};

// "U,V" (any case); nullopt unless two non-empty names.
std::optional<WindNames> parse_wind_names(std::string_view text);

// The pairs to try, in order: each table entry whose standard_name is x_wind
// or eastward_wind with the entry of the matching y_wind or northward_wind
// (the one named with V for U when there is one); without a table UREL,VREL
// then UWND,VWND.
std::vector<WindNames> default_wind_names(const params::Table* table);

// False when the table says u is x_wind (relative to the grid); true otherwise.
bool earth_relative(const std::string& u, const params::Table* table);

}  // namespace plot
