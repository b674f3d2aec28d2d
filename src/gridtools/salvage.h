// gridinfo --salvage: copies every grid of a grid file that reads back whole
// into a new grid file, and reports the grids it leaves out. For files torn by
// a crash or a full disk before writes were ordered, or written by others.
#pragma once

#include <string_view>

namespace gridinfo {

// Copies the readable grids of `path` into the new file `target` (never
// replacing a file): the same navigation and analysis blocks, grid header
// length and capacity, each grid under its identifier with its packing. One
// line per grid left out and a closing count go to standard error and output.
// 0 when every listed grid was copied, 1 when one was left out or either file
// failed.
int salvage_file(std::string_view path, std::string_view target);

}  // namespace gridinfo
