// The unit-pool flags, the file services' share of the general library block.
// Internal to the services layer (and its tests); defined in
// services/units.cpp, all units free from program start.
#pragma once

#include <array>

#include "services/fl.h"

namespace services {

// lunuse[k - 1] is 1 while unit k + 10 is handed out, 0 while it is free.
struct UnitPool {
  std::array<int, kPoolUnits> lunuse;
};
extern UnitPool lunpool;

}  // namespace services
