// What a grid file's vertical coordinate means in netCDF-CF: the attributes
// grid2nc gives a level axis, and which nc2grid expects of an axis whose
// t2g_vcoord it trusts; and the t2g_level2 word of a level 2 not set.
#pragma once

#include <cmath>
#include <limits>
#include <optional>

#include "gridfile/gridfile.h"

namespace nc {

// The t2g_level2 word of a level 2 that is not set, and a grid's word.
inline constexpr int kNoLevel2 = -1;
inline int level2_word(const gridfile::GridId& id) {
  return id.level2.value_or(kNoLevel2);
}
inline std::optional<int> level2_of_word(int word) {
  if (word == kNoLevel2) return std::nullopt;
  return word;
}

struct LevelMeaning {
  const char* standard_name;  // empty: none
  const char* long_name;
  const char* units;
  const char* positive;
};

// A t2g_vcoord attribute's value as a code: nullopt unless it is a whole
// number a code can hold.
inline std::optional<gridfile::Vcoord> vcoord_of_attribute(double value) {
  if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()) ||
      value != std::trunc(value)) {
    return std::nullopt;
  }
  return static_cast<gridfile::Vcoord>(static_cast<int>(value));
}

inline LevelMeaning level_meaning(gridfile::Vcoord vcoord) {
  switch (vcoord) {
    case gridfile::Vcoord::kPres:
      return {"air_pressure", "pressure", "hPa", "down"};
    case gridfile::Vcoord::kThta:
      return {"air_potential_temperature", "potential temperature", "K", "up"};
    case gridfile::Vcoord::kHght:
      return {"height", "height", "m", "up"};
    case gridfile::Vcoord::kSgma:
      return {"", "sigma level, as stored in the grid file", "1", "down"};
    default:
      return {"", "level", "1", "up"};
  }
}

}  // namespace nc
