// The grid layer's named block grdcmn: the per-file state of the grid files.
// Defined in grid/blocks.cpp; only the grid layer writes it. The grid-file
// markers are internal to the layer: grid/marks.h.
//
// Per-file tables are flattened with the first index fastest, the DM file
// number (1..3) last; the accessors below are the one place that turns the
// 1-based numbers into offsets.
#pragma once

#include <array>
#include <cstddef>

namespace grid {

inline constexpr int kMaxGridFiles = 3;      // grid files share the DM file numbers 1..3
inline constexpr int kNavWords = 256;        // navigation block
inline constexpr int kAnlWords = 128;        // analysis block
inline constexpr int kHeaderBufWords = 128;  // data header: X size, Y size, grid header
inline constexpr int kMaxTimes = 1000;       // time list entries per file
inline constexpr int kTimeWords = 3;         // date yymmdd, time hhmm, forecast word
inline constexpr int kGridListWords = 20000;

}  // namespace grid

struct GridCommonBlock {
  std::array<int, grid::kMaxGridFiles> gfgrids;    // grids added by this process
  std::array<int, grid::kMaxGridFiles> gfwrite;    // 1: grids may be written
  std::array<int, grid::kMaxGridFiles> gfhdrln;    // grid header length in words
  std::array<int, grid::kHeaderBufWords> gfhdbuf;  // data header of the grid being written
  std::array<float, grid::kNavWords * grid::kMaxGridFiles> gfnav;  // gfnav(256, 3)
  std::array<int, grid::kMaxGridFiles> gfnavln;
  std::array<float, grid::kAnlWords * grid::kMaxGridFiles> gfanl;  // gfanl(128, 3)
  std::array<int, grid::kMaxGridFiles> gfanlln;
  // gftimes(3, 1000, 3): the distinct times of each file, ascending.
  std::array<int, grid::kTimeWords * grid::kMaxTimes * grid::kMaxGridFiles> gftimes;
  std::array<int, grid::kMaxTimes * grid::kMaxGridFiles> gftgrid;      // grids per listed time
  std::array<int, grid::kMaxGridFiles> gfntime;                        // times listed
  std::array<int, grid::kGridListWords * grid::kMaxGridFiles> gflist;  // only word 1 is kept up
};
extern GridCommonBlock grdcmn;

namespace grid {

// Offsets of the 1-based entries of the per-file tables (f = DM file number).
constexpr std::size_t file_index(int f) {
  return static_cast<std::size_t>(f - 1);
}
constexpr std::size_t nav_index(int iword, int f) {
  return file_index(f) * kNavWords + static_cast<std::size_t>(iword - 1);
}
constexpr std::size_t anl_index(int iword, int f) {
  return file_index(f) * kAnlWords + static_cast<std::size_t>(iword - 1);
}
// Word j (1..3) of time list entry k (1..1000).
constexpr std::size_t time_index(int j, int k, int f) {
  return (file_index(f) * kMaxTimes + static_cast<std::size_t>(k - 1)) * kTimeWords +
         static_cast<std::size_t>(j - 1);
}
constexpr std::size_t tgrid_index(int k, int f) {
  return file_index(f) * kMaxTimes + static_cast<std::size_t>(k - 1);
}
constexpr std::size_t list_index(int iword, int f) {
  return file_index(f) * kGridListWords + static_cast<std::size_t>(iword - 1);
}

}  // namespace grid
