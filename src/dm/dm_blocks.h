// The named blocks of the DM engine: for each DM file number 1..3 a memory copy
// of everything in the file except its data records (the structure is never
// read back while the file is open), the free-space state, the record cache
// and scratch space. All are defined in dm/blocks.cpp; only the DM engine
// writes them. The engine's other state (the unit of each file, the cache
// bookkeeping, the search words) is internal to it: dm/state.h.
//
// Per-file entries are std::array members indexed by file number - 1; the
// accessors at the end are the one place that turns 1-based numbers into
// offsets.
#pragma once

#include <array>
#include <cstddef>

#include "dm/dm_limits.h"

namespace dm {
using Name4 = std::array<char, kNameChars>;  // a 4-character name, blank-padded
using RecordWords = std::array<int, kRecordWords>;
using HeaderSlot = std::array<int, kHeaderWords>;  // word 0 the in-use flag, 1..12 key values
}  // namespace dm

// dmfile: write-enabled and shared-read flags.
struct DmFileBlock {
  std::array<int, dm::kMaxFiles> kwrite;  // 1: the file may be written
  std::array<int, dm::kMaxFiles> kshare;  // 1: records are read with the shared read
};
extern DmFileBlock dmfile;

// dmlabl: label words 8..27 and 31, the file's representation flags, and the host's.
struct DmLabelValues {
  int lblver, nfhdrs, fhdbeg, nrow, nrkeys, rkybeg, rhdbeg, ncol, nckeys, ckybeg, chdbeg, nprt,
      prtbeg, fsbbeg, fsblen, datbeg, iftype, ifsrce, mchtyp, imissv;
  float rmissv;
  int kifrm;  // integer-form flag of the file (0 for files made here)
  int kffrm;  // real-form flag of the file (0 for files made here)
};
struct DmLabelBlock {
  std::array<DmLabelValues, dm::kMaxFiles> file;
  int mhifrm;  // host integer-form flag
  int mhffrm;  // host real-form flag
};
extern DmLabelBlock dmlabl;

// dmkeys: row-key and column-key names.
struct DmKeyNames {
  std::array<dm::Name4, dm::kMaxKeys> krow;
  std::array<dm::Name4, dm::kMaxKeys> kcol;
};
struct DmKeysBlock {
  std::array<DmKeyNames, dm::kMaxFiles> file;
};
extern DmKeysBlock dmkeys;

// dmfhdrs: file-header names, declared lengths and types.
struct DmFileHeaderDefs {
  std::array<dm::Name4, dm::kMaxFileHeaders> kfhnam;
  std::array<int, dm::kMaxFileHeaders> kfhlen;
  std::array<int, dm::kMaxFileHeaders> kfhtyp;
};
struct DmFileHeadersBlock {
  std::array<DmFileHeaderDefs, dm::kMaxFiles> file;
};
extern DmFileHeadersBlock dmfhdrs;

// dmpart: part definitions; parameters are indexed 1..40 through parm().
struct DmPartDef {
  dm::Name4 kprtnm;  // part name
  int klnhdr;        // header length of each data record
  int ktyprt;        // part type (1, 4, 5)
  int kparms;        // number of parameters
  std::array<dm::Name4, dm::kMaxParms> kprmnm;
  std::array<int, dm::kMaxParms> kscale;
  std::array<int, dm::kMaxParms> koffst;
  std::array<int, dm::kMaxParms> kbits;
  int kpkno;   // packing descriptor of a type-4 part (0: none)
  int kwordp;  // words of one packed record
};
struct DmPartBlock {
  std::array<std::array<DmPartDef, dm::kMaxParts>, dm::kMaxFiles> file;
};
extern DmPartBlock dmpart;

// dmhdrs: the header table (row r in slot r, column c in slot nrow + c) and the
// highest row and column written since creation.
struct DmHeadersBlock {
  std::array<std::array<dm::HeaderSlot, dm::kMaxRowsCols>, dm::kMaxFiles> kheadr;
  std::array<int, dm::kMaxFiles> klstrw;  // last row used
  std::array<int, dm::kMaxFiles> klstcl;  // last column used
};
extern DmHeadersBlock dmhdrs;

// dmdmgt: the free-space state (mirrored in the file's free-space block).
struct DmFreeSpace {
  int ifnext;  // first word after everything allocated at the end of the file
  int ifmaxf;  // capacity of the list: 62
  int ifnfre;  // entries in use
  int ifextd;  // last word made to exist by the shared-file pre-extension
  std::array<std::array<int, 2>, dm::kMaxFreeBlocks> iffree;  // (length, first word)
};
struct DmSpaceBlock {
  std::array<DmFreeSpace, dm::kMaxFiles> file;
};
extern DmSpaceBlock dmdmgt;

// dmcach: the record buffers of the 8 cache slots, slot 1 first.
struct DmCacheBlock {
  std::array<dm::RecordWords, dm::kCacheSlots> icdata;
};
extern DmCacheBlock dmcach;

// dmspce: scratch shared by the DM routines. iscrch converts names and strings
// and gathers per-parameter integers. The grid packing request belongs to the
// data-record writers; packed data take memory per record, not a work area.
struct DmScratchBlock {
  std::array<int, dm::kScratchArea> iscrch;
  int igx, igy, ipktyp, nbits, misflg;  // grid packing request
  float ref, scale, difmin;
};
extern DmScratchBlock dmspce;

namespace dm {

constexpr std::size_t file_index(int idmf) {
  return static_cast<std::size_t>(idmf - 1);
}
constexpr std::size_t slot_index(int isl) {
  return static_cast<std::size_t>(isl - 1);
}

inline DmLabelValues& label(int idmf) {
  return dmlabl.file[file_index(idmf)];
}
inline DmKeyNames& keys(int idmf) {
  return dmkeys.file[file_index(idmf)];
}
inline DmFileHeaderDefs& file_headers(int idmf) {
  return dmfhdrs.file[file_index(idmf)];
}
inline DmFreeSpace& free_space(int idmf) {
  return dmdmgt.file[file_index(idmf)];
}
// Part iprt (1..20) of file idmf.
inline DmPartDef& part(int idmf, int iprt) {
  return dmpart.file[file_index(idmf)][static_cast<std::size_t>(iprt - 1)];
}
// Parameter j (1..40) of a part: index into kprmnm, kscale, koffst, kbits.
constexpr std::size_t parm(int j) {
  return static_cast<std::size_t>(j - 1);
}
// Header slot islot (1..10000) of file idmf: row r is slot r, column c slot nrow + c.
inline HeaderSlot& header_slot(int idmf, int islot) {
  return dmhdrs.kheadr[file_index(idmf)][static_cast<std::size_t>(islot - 1)];
}
// Words of cache slot isl (1..8).
inline RecordWords& slot_words(int isl) {
  return dmcach.icdata[slot_index(isl)];
}

}  // namespace dm
