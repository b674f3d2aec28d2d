// griddiff A B: compares two grid files grid by grid, the grids paired by
// identifier. The logic lives in the library so that tests run it in-process.
#pragma once

#include <span>
#include <string>

namespace griddiff {

// Exit statuses, as cmp and diff have them.
inline constexpr int kExitEqual = 0;      // equal within the tolerances
inline constexpr int kExitDifferent = 1;  // grids, navigation or the set of grids differ
inline constexpr int kExitTrouble = 2;    // a file or grid cannot be read, or a bad command line

int run(std::span<const std::string> args);

}  // namespace griddiff
