// What a grid file's vertical coordinate means in netCDF-CF: the attributes
// grid2nc gives a level axis, and which nc2grid expects of an axis whose
// t2g_vcoord it trusts.
#pragma once

#include "gridfile/gridfile.h"

namespace nc {

struct LevelMeaning {
  const char* standard_name;  // empty: none
  const char* long_name;
  const char* units;
  const char* positive;
};

inline LevelMeaning level_meaning(int vcoord) {
  switch (vcoord) {
    case gridfile::kVcoordPres:
      return {"air_pressure", "pressure", "hPa", "down"};
    case gridfile::kVcoordThta:
      return {"air_potential_temperature", "potential temperature", "K", "up"};
    case gridfile::kVcoordHght:
      return {"height", "height", "m", "up"};
    case gridfile::kVcoordSgma:
      return {"", "sigma level, as stored in the grid file", "1", "down"};
    default:
      return {"", "level", "1", "up"};
  }
}

}  // namespace nc
