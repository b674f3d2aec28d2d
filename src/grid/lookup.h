// Finding a grid by its identifier, shared by the grid writers and readers.
// Internal to the grid layer.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace grid {

inline constexpr int kIdentifierWords = 10;  // column keys GDT1 .. GPM3

// The column header words of the identifier (the parameter name in upper
// case) into ihdarr, and the column of gfnum filed under them into icol.
// Returns 0 when found, else the dm_srch code (-17: no such grid).
int find_grid(int gfnum, std::span<const std::string_view> timpair, std::span<const int> levpair,
              int vcode, std::string_view pname, std::array<int, kIdentifierWords>& ihdarr,
              int& icol);

}  // namespace grid
