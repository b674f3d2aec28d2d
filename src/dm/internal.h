// Helpers shared by the DM engine's own files; not part of the layer's interface.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "dm/dm_blocks.h"
#include "dm/state.h"

namespace dm {

// dm_gspc without writing the free-space block: the run is taken from the
// memory copy only (0, or -34 for a run that cannot be given).
int allocate_words(int idmf, int nwords, int& istart);

// Undoes the file changes of a data record write that failed: the free space
// goes back to `saved`, the file is cut back to `nword_before` words, the
// words the record (at istart) put past the old end of the data are 0 again,
// and no cache slot keeps a word of the failed record.
void roll_back_record(int idmf, const DmFreeSpace& saved, int nword_before, int istart);

// The cache slot holding record irec of file idmf (0: none), and the dirty one.
int slot_of(int idmf, int irec);
int dirty_slot_of(int idmf, int irec);

// dm_rrec for the word writers, which need only the slot and, for a record
// left unbound, the read's code iflerr: a record that starts at or beyond the
// end of the file is bound as zeros, as dm_rrec binds it, without asking the
// file services for a read that must fail.
void fetch_for_write(int idmf, int irec, int& ircpnt, int& iflerr);

// Write cache slots isls back as one run: dirty slots of file idmf holding
// consecutive records, the first one's first. Each written slot is marked
// clean; at a record that fails, its slot is marked clean too, `failed` set
// and, when report_failure, the "FL" message written; the slots after it stay
// dirty.
// Returns the number of slots marked clean.
std::size_t write_run(int idmf, std::span<const int> isls, bool& failed, bool report_failure);

// Checks the record cache's invariants (see cache.cpp) and stops the program
// when one is broken. Compiled in when NDEBUG is not defined (the sanitizer
// build); a no-op otherwise.
void check_cache();

// Whether cache slot isl is bound to record irec of file idmf. After dm_rrec
// it is not when the record lies whole within the file but could not be read:
// its words are unknown, so a writer must leave that record alone.
bool slot_holds(int isl, int idmf, int irec);

// Write the "FL" message for file-service code ier with context text.
void report_file_error(int ier, std::string_view text);

// Whether integer words of file idmf are byte-reversed on their way to and from
// the file: machine type not 8 and exactly one of the file's and the host's
// integer-form flags set.
bool swaps_integers(int idmf);

// name cut or blank-padded to four characters.
Name4 to_name4(std::string_view name);
// Whether name equals a stored name when the shorter is padded with blanks.
bool name_matches(std::string_view name, const Name4& stored);

}  // namespace dm
