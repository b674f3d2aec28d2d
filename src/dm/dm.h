// The DM file engine: a random-access container of 32-bit words stored as
// 128-word records, with a label, keys, file headers, row and column headers,
// part definitions, a data pointer table, free space and data records.
// Up to three DM files are open at once under the numbers 1..3.
//
// Every routine ends with iret (0 success, negative an error; the codes are
// named in dm/dm_limits.h). The per-file tables are in dm/dm_blocks.h.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dm/dm_blocks.h"
#include "dm/dm_limits.h"

// --- Creation and closing -------------------------------------------------

// Create a new DM file and claim a file number for it.
// -3 no free number, -5 a count outside its limit, -1 the file could not be
// created ("FL" message), -16 packing setup failed ("DM" message), -6 a write failed.
void dm_cret(std::string_view filnam, int iftype, int ifsrce, int nfhdrs,
             std::span<const std::string_view> fhdnam, std::span<const int> ifhlen,
             std::span<const int> ifhtyp, int nrow, int nrkeys,
             std::span<const std::string_view> krownm, int ncol, int nckeys,
             std::span<const std::string_view> kcolnm, int nprt,
             std::span<const std::string_view> prtnam, std::span<const int> idthdr,
             std::span<const int> ityprt, std::span<const int> nparm, int maxprm,
             std::span<const std::string_view> parms, std::span<const int> iscale,
             std::span<const int> iofset, std::span<const int> ibits, int& idmf, int& iret);
// Lowest free DM file number (nothing claimed); -3 when none is free.
void dm_getf(int& idmf, int& iret);
// Flush, close and free file number idmf; -4 when it is not in use.
void dm_clos(int idmf, int& iret);
// Write ival into nword words from isword.
void dm_cnst(int idmf, int ival, int isword, int nword, int& iret);
// Section writers of creation: label, keys, file-header definitions, part
// definitions, all row and column headers.
void dm_wlbl(int idmf, int& iret);
void dm_wkey(int idmf, int& iret);
void dm_wfil(int idmf, int& iret);
void dm_wprt(int idmf, int& iret);
void dm_whda(int idmf, int& iret);
// Write nword 4-character names, one per word, from isword.
void dm_wch4(int idmf, int isword, int nword, std::span<const std::string_view> carray, int& iret);
// Write the first nchar characters of string, four to a word, from isword.
void dm_wstr(int idmf, int isword, int nchar, std::string_view string, int& iret);

// --- Headers, keys, search, file headers -----------------------------------

// Write row header irow (0: the first unused); ipos = row written.
void dm_wrwh(int idmf, int irow, std::span<const int> irowhd, int& ipos, int& iret);
// Write column header icol (0: the first unused); ipos = column written.
void dm_wclh(int idmf, int icol, std::span<const int> ihdarr, int& ipos, int& iret);
// Find key keynam: type "ROW" or "COL" (blank if none), loc its position; -14 none.
void dm_fkey(int idmf, std::string_view keynam, std::span<char> type, int& loc, int& iret);
// Search "ROW" or "COL" headers for keys keyloc(1..nkeys) equal to ihdarr; -17 none.
void dm_srch(int idmf, std::string_view type, int nkeys, std::span<const int> keyloc,
             std::span<const int> ihdarr, int& ipos, int& iret);
// Write nword reals as the contents of file header fhdnam.
void dm_wfhr(int idmf, std::string_view fhdnam, std::span<const float> rvals, int nword, int& iret);

// --- Word I/O and record cache ---------------------------------------------

// 0 when idmf is 1..3 and open, else -4.
void dm_chkf(int idmf, int& iret);
// Word address to (record, position in record).
void dm_word(int iword, int& irec, int& jword, int& iret);
// Make record irec of idmf present in a cache slot; -7 when the read failed.
// A record beyond the end of the file is then present as zeros; one within
// the file that cannot be read is left unbound (its words are unknown).
void dm_rrec(int idmf, int irec, int& ircpnt, int& iflerr, int& iret);
// Choose the next slot round-robin, writing it back if modified; -6 on failure.
void dm_nxtc(int& ircpnt, int& iret);
// Write back every modified slot of idmf.
void dm_fwrt(int idmf, int& iret);
// Write nword integers from isword (write-through).
void dm_wint(int idmf, int isword, int nword, std::span<const int> idata, int& iret);
// Write nword reals from isword (write-back, in the cache).
void dm_wflt(int idmf, int isword, int nword, std::span<const float> rdata, int& iret);
// Read nword integers from isword.
void dm_rint(int idmf, int isword, int nword, std::span<int> idata, int& iret);
// Close and reopen the unit of idmf under its own name; -30 on failure.
void dm_clop(int idmf, int& iret);

// --- Free space --------------------------------------------------------------

// Obtain nwords words; istart the first. iret from writing the free-space block.
void dm_gspc(int idmf, int nwords, int& istart, int& iret);
// Give back nwords words at istart (merged with neighbours); iret 0.
void dm_afre(int idmf, int nwords, int istart, int& iret);
// Remove free-list entry ient; iret 0.
void dm_efre(int idmf, int ient, int& iret);
// Write the free-space block.
void dm_wdmg(int idmf, int& iret);

// --- Data records ------------------------------------------------------------

// Write the data of (irow, icol, part prtnam): header idthdr, nword reals.
void dm_wdtr(int idmf, int irow, int icol, std::string_view prtnam, std::span<const int> idthdr,
             std::span<const float> rdata, int nword, int& iret);
// Store the grid packing request for the next grid writes.
void dm_sgpk(int igx, int igy, int ipktyp, int nbits, bool misflg, float ref, float scale,
             float difmin, int& iret);
// Pack a grid by the stored request into idata.
void dm_pkgd(std::span<const float> grid, std::span<int> idata, int& kword, int& ipktyp, int& nbits,
             int& misflg, int& kxky, int& kx, float& ref, float& scale, float& difmin, int& iret);
// Write the grid block at isword.
void dm_wpkg(int idmf, std::span<const float> grid, std::span<const int> idata, int isword,
             int kword, int ipktyp, int nbits, int misflg, int kxky, int kx, float ref, float scale,
             float difmin, int& iret);
// Pack nword reals of part iprt (type 4) into idata; kword packed words.
void dm_pack(int idmf, int iprt, int nword, std::span<const float> rdata, int& kword,
             std::span<int> idata, int& iret);

namespace dm {
// Start condition: every file number free, the record cache empty; called by in_bdta.
void reset_state();

// --- Crash-consistent writing (the write order is set out in cache.cpp) ---------

// First column of idmf whose header is unused; 0 when every one is in use.
int first_free_column(int idmf);
// Whether dm_cret gives a new file its name when it ends (the default), or
// leaves it under its temporary name for publish_file (a caller that writes
// more before the file is complete).
void set_publish_on_create(bool on);
// Whether the files dm_cret creates from now on take the place of an
// existing file of their name when publish_file names them (off: an existing
// file makes the creation fail). The existing file stays whole until then.
void set_replace_on_publish(bool on);
// Flushes file idmf, syncs it in durable mode and gives a file still under
// its temporary name its own (never replacing a file). 0; -6 when the flush
// failed; -1 when the name could not be given ("FL" message with filnam).
int publish_file(int idmf, std::string_view filnam);
// What dm_open, reading, found wrong and got past in file idmf (a torn last
// record, a next free word beyond the end of the file); empty when nothing.
std::string& open_warning(int idmf);
// Durable mode: forces every record written to idmf to the medium ("FL"
// message and -6 on failure); 0 at once when the mode is off.
int sync_file(int idmf);

// --- Records as stored (a copy that keeps every word) -------------------------

// The words of the data record of (irow, icol, part prtnam) after its length
// word: the data header, then the data exactly as stored (packed or not).
// Codes as dm_rdtr.
int read_record_words(int idmf, int irow, int icol, std::string_view prtnam,
                      std::vector<int>& words);
// Writes such words as the record of (irow, icol, prtnam) of idmf, in the
// order dm_wdtr writes a record. -9 row or column outside the file, -10 no
// such part, -34 fewer words than the part's data header.
int write_record_words(int idmf, int irow, int icol, std::string_view prtnam,
                       std::span<const int> words);
}  // namespace dm

// --- Reading existing files ----------------------------------------------------

// Open the existing DM file filnam for reading (wrtflg false: the writers
// return -13) or for writing, claim a file number for it and rebuild its
// tables from the file. -3 no free number, -37 the file cannot be opened
// ("FL" message), -35 not a DM file, -36 a damaged layout, -33 another
// machine type, -16 the packing of a packed-real part cannot be set up.
// Nothing is written to the file; on failure the number stays free.
void dm_open(std::string_view filnam, bool wrtflg, int& idmf, int& iret);
// Read file header fhdnam: nword reals into rvals. -29 no such header, -21
// not of type 1, -36 its stored length beyond its declared length, -34 more
// words than maxw or than rvals holds.
void dm_rfhr(int idmf, std::string_view fhdnam, int maxw, std::span<float> rvals, int& nword,
             int& iret);
// Read the data record of (irow, icol, part prtnam): its header into idthdr
// and its data, unpacked to reals, into rdata (nword values). Packed values
// and grid codes come back as values, missing codes as -9999.0. -9 row or
// column outside the file, -10 no such part, -39 no record, -36 a pointer,
// length or grid block the file cannot hold, -34 idthdr or rdata too small,
// -21 a part type other than 1, 4, 5, -31 a grid packing type other than 0,
// 1, 3, -19 a packed-real part without packing.
void dm_rdtr(int idmf, int irow, int icol, std::string_view prtnam, std::span<int> idthdr,
             std::span<float> rdata, int& nword, int& iret);
// Packing type and bit count of the packed-grid record of (irow, icol,
// prtnam) (0 and 0 for an unpacked grid); codes as dm_rdtr, -21 for a part
// that is not a packed-grid part.
void dm_rgpk(int idmf, int irow, int icol, std::string_view prtnam, int& ipktyp, int& nbits,
             int& iret);
// Key values of column header icol into ihdarr (nckeys words). -9 icol
// outside the file, -38 the header is not in use, -34 ihdarr too small.
void dm_rclh(int idmf, int icol, std::span<int> ihdarr, int& iret);
// Header length, type and parameter count of part prtnam; -10 no such part.
void dm_qprt(int idmf, std::string_view prtnam, int& ilenhd, int& ityprt, int& nparms, int& iret);
// Check the whole structure of the file filnam: label, section starts and
// alignment, definitions, header flags, data pointers, record lengths, grid
// blocks and the free-space block, and that nothing overlaps. 0 when sound,
// else the code of the first violation (as dm_open, mostly -36) with a
// precise text in msgtxt. The file is opened and closed again.
void dm_chck(std::string_view filnam, std::span<char> msgtxt, int& iret);
