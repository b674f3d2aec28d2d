// Return codes of the grid layer (gd_cref, gd_wdat, gd_wpgd, gd_fchk); the
// values belong to the interface. Their texts are in the "GD" message file.
#pragma once

namespace grid {

inline constexpr int kGdOk = 0;
inline constexpr int kGdCreateFailed = -1;    // the DM file or one of its file headers failed
inline constexpr int kGdBadFile = -4;         // not 1..3, or no grid file under that number
inline constexpr int kGdNotWritable = -5;     // the grid file is not open for writing grids
inline constexpr int kGdWriteFailed = -6;     // column header or data record not written
inline constexpr int kGdBadSize = -9;         // kx or ky below 1, or more values than given
inline constexpr int kGdDuplicate = -10;      // identifier exists and replace is false
inline constexpr int kGdNoColumn = -11;       // no free column left for a new grid
inline constexpr int kGdHeaderTooLong = -13;  // grid header length + 2 above 128

// Reading grid files back (gd_open, gd_rgrd, gd_rdat, gd_gidn).
inline constexpr int kGdNotGridFile = -14;  // a DM file without the grid file's keys, part or NAVB
inline constexpr int kGdNoGrid = -15;       // no grid with that number or identifier
inline constexpr int kGdReadFailed = -16;   // the grid's data record cannot be read ("DM" message)

}  // namespace grid
