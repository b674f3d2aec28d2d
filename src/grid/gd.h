// Grid files: creation on top of the DM engine, grid writing under grid
// identifiers, and the grid layer's per-file state (grid/gd_blocks.h).
#pragma once

#include <span>
#include <string_view>

#include "grid/gd_blocks.h"

// Create a grid file; gfnum its DM file number. -1 creation or header write
// failed (messages "DM" and "GD"), -13 hdrlen + 2 above 128.
void gd_cref(std::string_view filnam, int nnav, std::span<const float> navblock, int nanl,
             std::span<const float> anlblock, int hdrlen, int maxgrids, int& gfnum, int& iret);
// Write a grid unpacked. 0, -4, -5, -9, -10, -6, -11 or the flush's code.
void gd_wdat(int gfnum, std::span<const float> grid, int kx, int ky,
             std::span<const int> grdhdr, std::span<const std::string_view> timpair,
             std::span<const int> levpair, int vcode, std::string_view pname, bool replace,
             int& iret);
// Write a grid with packing type ipktyp and bit count nbits.
void gd_wpgd(int gfnum, std::span<const float> grid, int kx, int ky,
             std::span<const int> grdhdr, std::span<const std::string_view> timpair,
             std::span<const int> levpair, int vcode, std::string_view pname, bool replace,
             int ipktyp, int nbits, int& iret);
// 0 when gfnum names an open grid file, else -4.
void gd_fchk(int gfnum, int& iret);
// Grid identifier to the ten column-header words; iret 0.
void gd_itoh(std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, std::span<int> ihdarr, int& iret);
// Enter one time (three integers) into the file's time list; iret 0.
void gd_addt(int gfnum, std::span<const int> intdft, int& iret);

namespace grid {
// Start condition: no grid files (gfmark -1); called by in_bdta.
void reset_state();
}  // namespace grid
