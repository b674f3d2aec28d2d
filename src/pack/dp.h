// Data packing: packing descriptors for real-packed parts, real-data bit
// packing, the three grid packings (GRIB style, difference, decimal) and the
// unpackers that read each of them back.
//
// Return codes of the packers:
//   -1  unknown or released packing descriptor
//   -2  all 60 descriptor numbers in use
//   -3  parameter count outside 1..40
//   -4  a bit count outside 1..31
//   -10 bits per grid code outside the packer's range
//   -11 the grid holds no non-missing value (or has no points)
//   -12 the grid's range is more than the packing can keep: beyond 31-bit codes
//       at the decimal step asked (or 10^-ndec no usable real), or so near the
//       largest real that no step rebuilds it
//   -13 an array argument is shorter than the record or grid requires
//   -14 decimal packing: the step is finer than single precision resolves
//       the grid's values, so they would not come back within half a step
//
// Every grid packer keeps each value, as its unpacker rebuilds it, within half
// a step of the value packed (pack/rebuild.h).
#pragma once

#include <array>
#include <span>

namespace pack {

inline constexpr int kMaxDescriptors = 60;
inline constexpr int kMaxParams = 40;  // parameters per descriptor
inline constexpr int kMaxFieldBits = 31;

inline constexpr int kDpBadDescriptor = -1;
inline constexpr int kDpNoneFree = -2;
inline constexpr int kDpBadParamCount = -3;
inline constexpr int kDpBadBits = -4;
inline constexpr int kDpBadGridBits = -10;
inline constexpr int kDpNoValue = -11;
inline constexpr int kDpRangeTooBig = -12;
inline constexpr int kDpArrayTooShort = -13;
inline constexpr int kDpStepTooFine = -14;

// Packing state block: per descriptor 1..60, and per parameter 1..40 within a
// descriptor (parameter index fastest; see param_slot).
struct PackingState {
  std::array<int, kMaxDescriptors> npkprm;                 // parameters of the descriptor
  std::array<float, kMaxParams * kMaxDescriptors> pkscal;  // 10^iscale
  std::array<int, kMaxParams * kMaxDescriptors> pkoffs;    // offset subtracted from the code
  std::array<int, kMaxParams * kMaxDescriptors> pkbits;    // field width, 1..31
  std::array<int, kMaxParams * kMaxDescriptors> pkmask;    // 2^pkbits - 1, the missing code
  std::array<int, kMaxParams * kMaxDescriptors> pkword;    // word (from 1) where the field starts
  std::array<int, kMaxParams * kMaxDescriptors> pkbit1;    // bit (from 1, LSB) where it starts
  std::array<int, kMaxDescriptors> npkwrd;                 // words per packed record
  int ipkall;                                              // set to -1 by every successful dp_setp
};

// 0-based index into the per-parameter tables of dpcmn.
constexpr int param_slot(int kdesc, int iparm) {
  return (kdesc - 1) * kMaxParams + (iparm - 1);
}

// Start condition of the descriptor in-use flags (all free); called by in_bdta.
void reset_descriptors();

}  // namespace pack

extern pack::PackingState dpcmn;

// Build a packing descriptor; kdesc its number (1..60), nwdrec words per packed
// record. iret -2 none free, -4 a bit count outside 1..31, -3 nparms outside 1..40.
// REQUIRES: iscale, iofset, ibits hold at least nparms entries (else -13).
void dp_setp(int nparms, std::span<const int> iscale, std::span<const int> iofset,
             std::span<const int> ibits, int& kdesc, int& nwdrec, int& iret);
// Release descriptor kdesc; -1 when outside 1..60.
void dp_endp(int kdesc, int& iret);
// Pack one record of reals with descriptor kdesc into npkwrd words; a missing
// or unrepresentable value gets the field's all-ones code. -1 unknown
// descriptor, -13 rdata or idata too short.
void dp_pack(int kdesc, std::span<const float> rdata, std::span<int> idata, int& iret);
// Unpack one record packed with descriptor kdesc: (code + offset) * scale,
// the all-ones code back to -9999.0. -1 unknown descriptor, -13 arrays too short.
void dp_unpk(int kdesc, std::span<const int> idata, std::span<float> rdata, int& iret);

// GRIB-style grid packing with nbits (2..31) bits per code; lendat words used,
// a point is ref + code * scale. The step is the finest power of two whose
// codes fit below the missing code and rebuild every value within half a
// step. -10 bad nbits, -11 no value, -12 range beyond any step, -13 arrays
// too short.
void dp_pgrb(std::span<const float> grid, int kx, int ky, int nbits, std::span<int> idata,
             int& lendat, float& ref, float& scale, int& iret);
// Unpack kxky GRIB-style codes of nbits (1..31) bits: ref + code * scale, the
// all-ones code to -9999.0. -10 bad nbits, -11 kxky <= 0, -13 arrays too short.
void dp_ugrb(std::span<const int> idata, int kxky, int nbits, float ref, float scale,
             std::span<float> grid, int& iret);

// Difference grid packing. Each difference is taken from the value the
// reader rebuilds, so no error adds up along a line. -10 bad nbits, -11 no
// value, -12 differences beyond the largest real, -13 arrays too short.
void dp_pdif(std::span<const float> grid, int kx, int ky, int nbits, std::span<int> idata,
             int& lendat, float& ref, float& difmin, float& scale, int& iret);
// Unpack a difference-packed kx x ky grid: differences difmin + code * scale,
// values rebuilt from ref line by line, the all-ones code to -9999.0.
// -10 bad nbits, -11 no points, -13 arrays too short.
void dp_udif(std::span<const int> idata, int kx, int ky, int nbits, float ref, float difmin,
             float scale, std::span<float> grid, int& iret);

// Decimal grid packing to 10^-ndec; mbits the chosen bit count; the output is
// a GRIB-style stream (read it with dp_ugrb). -11 no value, -12 range or step
// not representable in 31-bit codes, -13 arrays too short, -14 a step finer
// than the values' own precision.
void dp_pdec(std::span<const float> grid, int kx, int ky, int ndec, std::span<int> idata,
             int& lendat, float& ref, float& scale, int& mbits, int& iret);
