// The descriptor in-use flags, the packing layer's share of the general
// library block. Internal to the packing layer (and its tests); defined in
// pack/descriptors.cpp, all free from program start.
#pragma once

#include <array>

#include "pack/dp.h"

namespace pack {

// 1 while descriptor n is taken, 0 while free.
struct DescriptorFlags {
  std::array<int, kMaxDescriptors> ipkuse;
};

}  // namespace pack

extern pack::DescriptorFlags dpflag;
