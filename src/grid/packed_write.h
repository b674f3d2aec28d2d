// Writing a packed grid with one packing: the packer's refusal of a grid
// (no value that is not missing, a range or decimal step it cannot keep) is
// known before the file changes, so the caller can have the grid written
// unpacked instead, or refused, without packing it twice.
#pragma once

#include <span>
#include <string_view>

namespace grid {

enum class OnPackingRefusal {
  kRefuse,         // not written: iret -6, as gd_wpgd
  kWriteUnpacked,  // written unpacked in the same call
};

// gd_wpgd, but the packer's refusal of the grid is not reported with a DM
// message: `refusal` is its DM code (0 when the grid was packed as asked or
// the write failed otherwise, which is reported as gd_wpgd reports it).
void write_packed_grid(int gfnum, std::span<const float> grid, int kx, int ky,
                       std::span<const int> grdhdr, std::span<const std::string_view> timpair,
                       std::span<const int> levpair, int vcode, std::string_view pname,
                       bool replace, int ipktyp, int nbits, OnPackingRefusal on_refusal,
                       int& refusal, int& iret);

}  // namespace grid
