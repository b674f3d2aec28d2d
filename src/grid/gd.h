// Grid files: creation on top of the DM engine, grid writing under grid
// identifiers, and the grid layer's per-file state (grid/gd_blocks.h).
#pragma once

#include <span>
#include <string_view>

#include "grid/gd_blocks.h"

// Create a grid file; gfnum its DM file number. -1 creation or header write
// failed (messages "DM" and "GD"; also when nnav or nanl exceed the blocks
// given, then before any file exists), -13 hdrlen + 2 above 128. The header
// words wait in the record cache until the first grid write flushes the file.
void gd_cref(std::string_view filnam, int nnav, std::span<const float> navblock, int nanl,
             std::span<const float> anlblock, int hdrlen, int maxgrids, int& gfnum, int& iret);
// Write a grid unpacked. 0, -4 no grid file, -5 not writable, -9 kx or ky
// below 1 or grid holding fewer than kx * ky values, -10 duplicate and replace
// false, -6 column header or data not written, -11 no free column, or the
// flush's code. grdhdr words beyond those given are written as 0.
// REQUIRES: timpair and levpair hold two entries each.
void gd_wdat(int gfnum, std::span<const float> grid, int kx, int ky, std::span<const int> grdhdr,
             std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, bool replace, int& iret);
// Write a grid with packing type ipktyp and bit count nbits.
void gd_wpgd(int gfnum, std::span<const float> grid, int kx, int ky, std::span<const int> grdhdr,
             std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, bool replace, int ipktyp, int nbits, int& iret);
// 0 when gfnum names an open grid file, else -4.
void gd_fchk(int gfnum, int& iret);
// Grid identifier to the ten column-header words; iret 0.
// REQUIRES: two times, two levels, ihdarr of at least ten words.
void gd_itoh(std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, std::span<int> ihdarr, int& iret);
// Enter one time (three integers) into the file's time list; iret 0. A new
// time finding the list full (1000 entries) is not listed; the grid still counts.
void gd_addt(int gfnum, std::span<const int> intdft, int& iret);

namespace grid {
// Start condition: no grid files (gfmark -1); called by in_bdta.
void reset_state();
// Whether gd_cref gives a new file its name before it returns (the default),
// or leaves it under its temporary name for dm::publish_file once the caller
// has written its grids (an output that appears whole or not at all).
void set_publish_on_create(bool on);
}  // namespace grid

// --- Reading grid files back -------------------------------------------------

// Open an existing grid file for reading (wrtflg false: gd_wdat returns -5)
// or for writing; its navigation and analysis blocks and its time list are
// rebuilt from the file. -1 the DM file could not be opened (message "DM"
// with the DM code and filnam), -14 a DM file that is not a grid file.
void gd_open(std::string_view filnam, bool wrtflg, int& gfnum, int& iret);
// Number of the last grid of the file (grids are numbered by column, 1..ngrid).
void gd_ngrd(int gfnum, int& ngrid, int& iret);
// Ten column-header words back to the identifier: the two time texts (blank
// for no time), levels, vertical coordinate and the 12-character parameter
// name. iret: 0, or the tg_itoc code of a time that has no text form.
void gd_htoi(std::span<const int> ihdarr, std::span<char> time1, std::span<char> time2,
             std::span<int> levpair, int& vcode, std::span<char> pname, int& iret);
// Identifier of grid igrid; -15 no grid with that number.
void gd_gidn(int gfnum, int igrid, std::span<char> time1, std::span<char> time2,
             std::span<int> levpair, int& vcode, std::span<char> pname, int& iret);
// Values of grid igrid (kx x ky into grid, first row first) and its grid
// header words (as many as grdhdr holds). -15 no grid with that number, -9
// grid holds fewer than kx x ky values, -16 the record cannot be read
// (message "DM" with the DM code).
void gd_rgrd(int gfnum, int igrid, std::span<float> grid, int& kx, int& ky, std::span<int> grdhdr,
             int& iret);
// Values of the grid with this identifier; codes as gd_rgrd.
void gd_rdat(int gfnum, std::span<const std::string_view> timpair, std::span<const int> levpair,
             int vcode, std::string_view pname, std::span<float> grid, int& kx, int& ky,
             std::span<int> grdhdr, int& iret);
// The file's navigation block: nnav words (at most what navblock holds).
void gd_gnav(int gfnum, std::span<float> navblock, int& nnav, int& iret);
// Packing type and bit count of grid igrid (0 and 0 unpacked); -15 no such
// grid, -16 its record cannot be read.
void gd_gpck(int gfnum, int igrid, int& ipktyp, int& nbits, int& iret);
// Close grid file gfnum (its DM file is flushed and closed); -4 none open.
void gd_clos(int gfnum, int& iret);
