// The grid-file markers, the grid layer's share of the general library block.
// Internal to the grid layer (and its tests); defined in grid/blocks.cpp.
#pragma once

#include <array>

#include "grid/gd_blocks.h"

// gfmark(f): -1 while DM file number f holds no grid file, else f itself.
struct GridMarkBlock {
  std::array<int, grid::kMaxGridFiles> gfmark;
};
extern GridMarkBlock gmgrid;

namespace grid {

// The start condition: no grid files. gmgrid holds it from program start, and
// grid::reset_state puts it back.
constexpr GridMarkBlock start_marks() {
  GridMarkBlock block{};
  block.gfmark.fill(-1);
  return block;
}

}  // namespace grid
