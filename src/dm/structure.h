// Reading the structure of an existing DM file back into the per-file tables,
// and the bounds every reader checks a data record against. Shared by the
// DM engine's open, read and check routines; not part of the layer's interface.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dm/dm_blocks.h"

namespace dm {

// The first problem found in a file: a DM return code and a precise text.
struct Problem {
  int code = kDmOk;
  std::string text;
  int flcode = 0;  // file-service code when the file could not be opened

  bool ok() const { return code == kDmOk; }
};

// Opens the existing file filnam, claims a free file number for it (idmf) and
// rebuilds every table of that number from the file. On any problem the number
// is released again and the problem returned; nothing is written to the file.
// tolerant (for reading): a torn last record or a next free word past the end
// of the file do not refuse it; open_warning(idmf) then says what is wrong,
// and records are read only where they lie wholly inside the file.
Problem open_existing(std::string_view filnam, bool wrtflg, int& idmf, bool tolerant = false);

// First word of the data area of file idmf: the record start after the data
// pointer table, where the first data record of a new file goes.
std::int64_t data_area_start(int idmf);

// Extent of the data record starting at istart: its length word L is read and
// the record (L + 1 words) must lie inside the data area below ifnext and hold
// at least the part's header of ilenhd words. Returns a problem text for the
// caller's message, empty when the record is sound.
Problem record_extent(int idmf, std::int64_t istart, int ilenhd, int& length);

// Last part of file idmf whose name matches prtnam; 0 when none.
int find_part(int idmf, std::string_view prtnam);

// Finds the data record of (irow, icol, part prtnam) and checks its extent:
// iprt the part, istart its first word, length its length word. Codes -4, -9,
// -10, -39 (pointer 0), -36 (a pointer or length outside the data area).
int locate_record(int idmf, int irow, int icol, std::string_view prtnam, int& iprt, int& istart,
                  int& length);

// Reads nword reals from isword into rdata, turning the file's real missing
// value into -9999.0. REQUIRES: the words lie inside the file, rdata holds nword.
int read_reals(int idmf, int isword, int nword, std::span<float> rdata);

}  // namespace dm
