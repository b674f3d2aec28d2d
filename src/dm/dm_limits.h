// Limits, return codes and the on-disk layout of a DM file.
//
// A DM file is an array of 32-bit words numbered from 1, stored as records of
// 128 words (512 bytes) numbered from 1. Integers and reals are kept in the
// byte order of the machine that wrote the file; character words hold four
// characters in reading order, the first in the lowest-addressed byte.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include "pack/missing.h"

namespace dm {

// --- Limits ---------------------------------------------------------------

inline constexpr int kMaxFiles = 3;                // DM file numbers 1..3
inline constexpr int kMaxRowsCols = 10000;         // nrow + ncol of one file
inline constexpr int kMaxKeys = 12;                // row keys, column keys
inline constexpr int kHeaderWords = kMaxKeys + 1;  // in-use flag + key values
inline constexpr int kMaxParts = 20;
inline constexpr int kMaxParms = 40;  // parameters per part
inline constexpr int kMaxFileHeaders = 10;
inline constexpr int kMaxFreeBlocks = 62;  // entries of the free-space list
inline constexpr int kCacheSlots = 8;
inline constexpr int kRecordWords = 128;
inline constexpr int kRecordBytes = kRecordWords * 4;
inline constexpr int kNameChars = 4;        // key, part, header and parameter names
inline constexpr int kScratchWords = 3200;  // names and strings converted per chunk
inline constexpr int kScratchChars = kScratchWords * kNameChars;
inline constexpr int kScratchArea = kScratchWords + 1;  // the scratch area of dmspce

// Word addresses are 32-bit; the last word a file can have.
inline constexpr std::int64_t kMaxWord = std::numeric_limits<std::int32_t>::max();

// --- Values ----------------------------------------------------------------

inline constexpr int kMissingInt = -9999;
inline constexpr float kMissingReal = pack::kMissing;
inline constexpr int kHostMachine = 8;  // mchtyp of a file in this machine's own form
inline constexpr int kVaxMachine = 2;
inline constexpr int kHeaderInUse = 9999;
inline constexpr int kHeaderUnused = -9999;
inline constexpr int kLabelVersion = 1;
inline constexpr int kPartReal = 1;  // part types
inline constexpr int kPartPackedReal = 4;
inline constexpr int kPartPackedGrid = 5;
inline constexpr int kFileHeaderReal = 1;  // the only file-header type that can be written

static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
static_assert(std::bit_cast<std::uint32_t>(kMissingReal) == 0xC61C3C00u);

// --- Return codes ------------------------------------------------------------

inline constexpr int kDmOk = 0;
inline constexpr int kDmCreateFailed = -1;    // the file could not be created
inline constexpr int kDmNoFileNumber = -3;    // all three file numbers in use
inline constexpr int kDmBadFile = -4;         // file number not 1..3 or not open
inline constexpr int kDmBadLayout = -5;       // a count or size outside its limit
inline constexpr int kDmWriteFailed = -6;     // a record could not be written
inline constexpr int kDmReadFailed = -7;      // a record could not be read
inline constexpr int kDmBadRowCol = -9;       // row or column outside the file's counts
inline constexpr int kDmNoPart = -10;         // no part of that name
inline constexpr int kDmNoGridValue = -11;    // grid packing: no value that is not missing
inline constexpr int kDmNoFreeHeader = -12;   // every row or column header in use
inline constexpr int kDmNotWritable = -13;    // the file is not open for writing
inline constexpr int kDmNoKey = -14;          // no key of that name
inline constexpr int kDmPackSetup = -16;      // packing descriptor setup failed
inline constexpr int kDmNotFound = -17;       // no header matches / bad search type
inline constexpr int kDmHeaderTooLong = -18;  // more words than the file header holds
inline constexpr int kDmPackFailed = -19;     // packed-real part could not be packed
inline constexpr int kDmBadType = -21;        // part or file-header type not writable
inline constexpr int kDmBadWordCount = -24;   // data not a whole number of records
inline constexpr int kDmNoFileHeader = -29;   // no file header of that name
inline constexpr int kDmReopenFailed = -30;   // the unit could not be closed and reopened
inline constexpr int kDmBadPackType = -31;    // grid packing type not 0, 1, 3 or 4
inline constexpr int kDmNoConversion = -33;   // no real conversion for the machine type
// A word address below 1, a count larger than the caller's array, a key
// position outside a header, or an area that would pass the last word a file
// can address. Nothing is read or written.
inline constexpr int kDmBadArgument = -34;

// Codes of reading existing files (dm_open, dm_rfhr, dm_rdtr, dm_chck).
inline constexpr int kDmNotDmFile = -35;     // no DM label: wrong label text or too short
inline constexpr int kDmDamaged = -36;       // impossible count, section start, flag, pointer,
                                             // record length or free-space entry; or the
                                             // file ends before its sections or records do
inline constexpr int kDmOpenFailed = -37;    // the existing file could not be opened ("FL")
inline constexpr int kDmHeaderUnused = -38;  // the row or column header is not in use
inline constexpr int kDmNoData = -39;        // no data record for that row, column and part

// Codes of the data-record writers. A data record takes the memory and the
// file words it needs (its length bounded by what a file addresses: a longer
// one is refused with -34); nothing is written on any of these refusals.
// dm_pack or dm_pkgd called with an array shorter than the packed data.
inline constexpr int kDmPackedTooLong = -40;
// Grid packing: the range needs codes of more than 31 bits at the decimal
// step asked (or 10^-ndec is no usable real), or lies so near the largest
// real that no step rebuilds it.
inline constexpr int kDmGridRangeTooBig = -41;
// No memory for the packed data of the record.
inline constexpr int kDmNoMemory = -42;
// Decimal grid packing: the step is finer than single precision resolves the
// grid's values, which would not come back within half a step.
inline constexpr int kDmGridStepTooFine = -43;

// Whether a data write was refused because the grid's values cannot be
// packed as asked (no value, range, step): the grid can be written unpacked.
constexpr bool is_packing_refusal(int code) {
  return code == kDmNoGridValue || code == kDmGridRangeTooBig || code == kDmGridStepTooFine;
}

// --- The label (record 1) ------------------------------------------------------
//
//   WORD   NAME     CONTENTS
//   1-7    text     "MORLIX DATA MANAGEMENT FILE " (28 characters, 4 to a word)
//   8      lblver   label version: 1
//   9      nfhdrs   number of file headers
//   10     fhdbeg   first word of the file-header definitions
//   11     nrow     number of rows
//   12     nrkeys   number of row keys
//   13     rkybeg   first word of the row keys (257)
//   14     rhdbeg   first word of the row headers
//   15     ncol     number of columns
//   16     nckeys   number of column keys
//   17     ckybeg   first word of the column keys
//   18     chdbeg   first word of the column headers
//   19     nprt     number of parts
//   20     prtbeg   first word of the part definitions
//   21     fsbbeg   first word of the free-space block (129)
//   22     fsblen   length of the free-space block (128)
//   23     datbeg   first word of the data pointer table
//   24     iftype   file type as given by the creator
//   25     ifsrce   file source as given by the creator
//   26     mchtyp   machine type: 8
//   27     imissv   integer missing value: -9999
//   28-30  -        reserved, 0
//   31     rmissv   real missing value -9999.0 (a real word, bits C61C3C00)
//   32-128 -        unused, 0
//
// Words 8-30 are integers, word 31 is a real, words 1-7 are characters.
inline constexpr char kLabelText[] = "MORLIX DATA MANAGEMENT FILE ";
inline constexpr int kLabelTextChars = sizeof(kLabelText) - 1;
inline constexpr int kLabelTextWord = 1;
inline constexpr int kLblverWord = 8;
inline constexpr int kNfhdrsWord = 9;
inline constexpr int kFhdbegWord = 10;
inline constexpr int kNrowWord = 11;
inline constexpr int kNrkeysWord = 12;
inline constexpr int kRkybegWord = 13;
inline constexpr int kRhdbegWord = 14;
inline constexpr int kNcolWord = 15;
inline constexpr int kNckeysWord = 16;
inline constexpr int kCkybegWord = 17;
inline constexpr int kChdbegWord = 18;
inline constexpr int kNprtWord = 19;
inline constexpr int kPrtbegWord = 20;
inline constexpr int kFsbbegWord = 21;
inline constexpr int kFsblenWord = 22;
inline constexpr int kDatbegWord = 23;
inline constexpr int kIftypeWord = 24;
inline constexpr int kIfsrceWord = 25;
inline constexpr int kMchtypWord = 26;
inline constexpr int kImissvWord = 27;
inline constexpr int kRmissvWord = 31;
inline constexpr int kLabelIntWords = kRmissvWord - kLblverWord;  // words 8..30
static_assert(kLabelTextChars == 4 * (kLblverWord - kLabelTextWord));

// --- The file map ----------------------------------------------------------------
//
//   SECTION                  FIRST WORD                        LENGTH
//   label                    1                                 31 (of record 1)
//   free-space block         fsbbeg = 129                      fsblen = 128
//   row keys                 rkybeg (257, start of record 3)   nrkeys
//   column keys              ckybeg = rkybeg + nrkeys          nckeys
//   file-header definitions  fhdbeg = ckybeg + nckeys          3 * nfhdrs
//   file-header areas        fhdbeg + 3 * nfhdrs               sum of (declared length + 1)
//   row headers              rhdbeg: next record start         nrow * (nrkeys + 1)
//   column headers           chdbeg = rhdbeg + nrow*(nrkeys+1) ncol * (nckeys + 1)
//   part definitions         prtbeg: next record start         4 * nprt + 4 * sum of nparm
//   data pointer table       datbeg: next record start         nprt * nrow * ncol
//   free space               next record start (ifnext)        grows with the data records
//
// "Next record start" is the word itself when it begins a record, else the
// first word of the following record. Every word no section covers is 0.
inline constexpr int kFsbbeg = kRecordWords + 1;
inline constexpr int kFsblen = kRecordWords;

// Free-space block, words counted from 1 within the block.
inline constexpr int kFsbIfnext = 1;
inline constexpr int kFsbIfmaxf = 2;
inline constexpr int kFsbIfnfre = 3;
inline constexpr int kFsbIfextd = 4;
inline constexpr int kFsbFirstEntry = 5;  // entry k: length at 5+2(k-1), first word at 6+2(k-1)
static_assert(kFsbFirstEntry - 1 + 2 * kMaxFreeBlocks <= kFsblen);

// Record of word w and its position in it: w=1 -> (1,1), 128 -> (1,128), 129 -> (2,1).
constexpr std::int64_t record_of_word(std::int64_t iword) {
  return (iword - 1) / kRecordWords + 1;
}
// nxtwrd itself when it starts a record, else the first word of the next record:
// 257 -> 257, 258 -> 385, 384 -> 385, 385 -> 385.
constexpr std::int64_t round_up_to_record(std::int64_t nxtwrd) {
  std::int64_t irec = record_of_word(nxtwrd);
  return nxtwrd - kRecordWords * (irec - 1) == 1 ? nxtwrd : irec * kRecordWords + 1;
}

// Section starts of a new file. Computed in 64 bits so that a layout too large
// for 32-bit word addresses is seen (fits_in_words) rather than wrapped.
struct SectionStarts {
  std::int64_t rkybeg = 0;
  std::int64_t ckybeg = 0;
  std::int64_t fhdbeg = 0;
  std::int64_t rhdbeg = 0;
  std::int64_t chdbeg = 0;
  std::int64_t prtbeg = 0;
  std::int64_t datbeg = 0;
  std::int64_t ifnext = 0;  // first free word, after the data pointer table

  constexpr bool fits_in_words() const { return ifnext <= kMaxWord + 1; }
};

// lenfil = sum over the file headers of (declared length + 1); lenprt = sum of
// the parts' parameter counts.
// Grid file, 400 columns: rkybeg 257, ckybeg 258, fhdbeg 268, rhdbeg 769,
// chdbeg 771, prtbeg 5249, datbeg 5377, first free word 5889.
constexpr SectionStarts place_sections(int nfhdrs, std::int64_t lenfil, int nrow, int nrkeys,
                                       int ncol, int nckeys, int nprt, std::int64_t lenprt) {
  SectionStarts s;
  s.rkybeg = round_up_to_record(kFsbbeg + kFsblen);
  s.ckybeg = s.rkybeg + nrkeys;
  s.fhdbeg = s.ckybeg + nckeys;
  s.rhdbeg = round_up_to_record(s.fhdbeg + 3 * std::int64_t{nfhdrs} + lenfil);
  s.chdbeg = s.rhdbeg + (std::int64_t{nrkeys} + 1) * nrow;
  s.prtbeg = round_up_to_record(s.chdbeg + (std::int64_t{nckeys} + 1) * ncol);
  s.datbeg = round_up_to_record(s.prtbeg + 4 * std::int64_t{nprt} + 4 * lenprt);
  s.ifnext = round_up_to_record(s.datbeg + std::int64_t{nprt} * nrow * ncol);
  return s;
}

// First word of row header irow / column header icol (1-based).
constexpr int row_header_word(int rhdbeg, int nrkeys, int irow) {
  return rhdbeg + (irow - 1) * (nrkeys + 1);
}
constexpr int col_header_word(int chdbeg, int nckeys, int icol) {
  return chdbeg + (icol - 1) * (nckeys + 1);
}
// Length word of the area of file header k: the areas follow the 3*nfhdrs
// definition words, each (declared length + 1) words long.
// ifhlen holds the declared lengths of headers 1..k-1 (at least).
template <typename Lengths>
constexpr int file_header_area_word(int fhdbeg, int nfhdrs, const Lengths& ifhlen, int k) {
  int iwrite = fhdbeg + 3 * nfhdrs;
  for (int i = 1; i < k; ++i) iwrite += ifhlen[static_cast<std::size_t>(i - 1)] + 1;
  return iwrite;
}
// Data pointer of (row, column, part): the part varies fastest, then the column.
constexpr int data_pointer_word(int datbeg, int ncol, int nprt, int irow, int icol, int iprt) {
  return datbeg + ((irow - 1) * ncol + (icol - 1)) * nprt + (iprt - 1);
}

}  // namespace dm
