// File services: the pool of logical units 11..20, direct-access and
// sequential files by unit number, existence tests under the accepted name
// forms, table files, and status conversion.
#pragma once

#include <span>
#include <string>
#include <string_view>

// Return codes of the file services (besides the I/O statuses they pass on).
inline constexpr int kFlEndOfFile = -1;  // end of file (platform status passed through)
inline constexpr int kFlNoUnit = -21;    // all ten units of the pool are handed out
inline constexpr int kFlNoData = -22;    // a table file holds no data line

// Lowest free unit of the pool; -21 when all ten are handed out (lun = -1).
void fl_glun(int& lun, int& iret);
// Return lun (11..20) to the pool; other numbers are ignored.
void fl_flun(int lun, int& iret);
// Create and open a new direct-access file of lrecl-word records, under the
// name lowered (unless it starts with "^") and expanded. On failure the unit
// goes back to the pool and lun = 0: EEXIST for an existing file, EINVAL for
// lrecl < 1 or too large, -21 (lun = -1) when no unit is free.
void fl_dcre(std::string_view filnam, int lrecl, int& lun, int& iret);
// Open an existing sequential text file, found under any accepted name form.
// On failure the unit goes back to the pool and lun = 0 (-21: lun = -1).
void fl_sopn(std::string_view filnam, int& lun, int& iret);
// Existence test: as given, expanded, lowered (and expanded). iret is 0.
void fl_inqr(std::string_view filnam, bool& exist, std::span<char> newfil, int& iret);
// Read nword words of record irec. -1 for a record beyond the end of the file;
// EINVAL when irec < 1 or nword is negative or larger than idata.
void fl_read(int lun, int irec, int nword, std::span<int> idata, int& iret);
// Read of a file opened for shared access; same behaviour as fl_read.
void fl_rshr(int lun, int irec, int nword, std::span<int> idata, int& iret);
// Write nword words at the start of record irec; EINVAL as for fl_read.
void fl_writ(int lun, int irec, int nword, std::span<const int> idata, int& iret);
// Write whole records irec, irec+1, ... from records[0], records[1], ...: the
// same as fl_writ of each in turn up to the first that fails, in as few system
// calls as the run allows. nwritten = records written before the failing one,
// iret = its code as fl_writ gives it.
void fl_wrun(int lun, int irec, std::span<const std::span<const int>> records, int& nwritten,
             int& iret);
// Close the unit and return it to the pool.
void fl_clos(int lun, int& iret);
// Move a sequential unit back one record.
void fl_bksp(int lun, int& iret);
// Return code from an I/O status (through ss_iret); ier = 0.
void fl_iret(int iostat, int& iret, int& ier);
// Find and open a table file, positioned on its first data line. Tried in
// order: its file name in the current directory, the name as given, then
// $MORTBL/<type>/<file name> (type not blank) and $MORTBL/<file name>. -22
// when it has no data line (unit closed, lun = 0).
void fl_tbop(std::string_view table, std::string_view type, int& lun, int& iret);
// Position an open sequential unit on its next data line; -22 when none.
void fl_tdat(int lun, int& iret);

namespace services {

inline constexpr int kFirstPoolUnit = 11;  // the pool hands out units 11..20
inline constexpr int kPoolUnits = 10;

// Start condition of the unit pool (all ten units free); called by in_bdta.
void reset_units();

// The name under which fl_dcre creates filnam: lowered unless it starts with
// "^" (which is dropped), a leading symbol expanded, trailing blanks removed.
std::string creation_name(std::string_view filnam);

// The filnam that fl_dcre creates as exactly `path` (no lowering, no symbol
// expansion): "^", then the path, after "./" when a relative path would read
// as a symbol ("$NAME/...", "NAME:..."). Empty when no filnam can: an empty
// path, a NUL in it, or more characters than the file services keep (or a
// path ending in a blank, which they drop).
std::string exact_filnam(std::string_view path);
}  // namespace services

// --- Reopening existing files --------------------------------------------------

// Open an existing direct-access file of lrecl-word records, found under any
// accepted name form (as fl_inqr). wrtflg tells whether the caller means to
// write it. On failure the unit goes back to the pool and lun = 0: ENOENT for
// a name that exists in no form, EINVAL for lrecl < 1 or too large, -21
// (lun = -1) when no unit is free.
void fl_dopn(std::string_view filnam, int lrecl, bool wrtflg, int& lun, int& iret);
// --- Crash-safe files ------------------------------------------------------------

// fl_dcre, but the file appears under its name only at fl_dpub: until then it
// is written under a temporary name beside it ("<name>.incomplete.<pid>"), and
// closing the unit first removes it. Fails like fl_dcre (EEXIST for an
// existing name).
void fl_dcrp(std::string_view filnam, int lrecl, int& lun, int& iret);
// fl_dcrp for a file that is to take the place of an existing file of its
// name: that file stays whole until fl_dpub renames the new one over it.
void fl_dcrr(std::string_view filnam, int lrecl, int& lun, int& iret);
// Give a file created by fl_dcrp its name, never replacing a file (EEXIST);
// one created by fl_dcrr replaces any file of its name in one step.
void fl_dpub(int lun, int& iret);
// Cut the direct-access file on lun back to nword words.
void fl_dtrc(int lun, std::int64_t nword, int& iret);
// Durable mode (platform::durable): force what was written to lun to the
// medium. 0 at once when the mode is off.
void fl_dsyn(int lun, int& iret);

// Size of the direct-access file open on lun in whole 32-bit words (at most
// the largest int); a status code when lun has no direct file open.
void fl_dsiz(int lun, int& nword, int& iret);
