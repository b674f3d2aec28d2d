// What the grid files this system creates hold besides their grids, shared by
// the converter and the grid-file API so that both write the same bytes: the
// blocks given at creation, the grid header of every grid, the widths of the
// identifier's texts.
#pragma once

#include <array>
#include <cstddef>

#include "grid/gd_blocks.h"

namespace grid {

// Columns of a created file: one row, rows + columns at most 10000.
inline constexpr int kMaxGridsPerFile = 9999;
// The grid header of every grid: its own length, then a zero word.
inline constexpr int kGridHeaderWords = 2;
inline constexpr std::array<int, kGridHeaderWords> kGridHeader = {kGridHeaderWords, 0};
// The analysis block carries nothing: kAnlWords zero words.
inline constexpr std::array<float, kAnlWords> kEmptyAnalysis{};

inline constexpr std::size_t kTimeChars = 20;   // grid time texts
inline constexpr std::size_t kParamChars = 12;  // parameter names
inline constexpr std::size_t kProjChars = 4;    // projection names (word 2 of the navigation)

}  // namespace grid
