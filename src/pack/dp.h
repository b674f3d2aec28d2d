// Data packing: packing descriptors for real-packed parts, real-data bit
// packing, and the three grid packings (GRIB style, difference, decimal).
#pragma once

#include <span>

// Build a packing descriptor; kdesc its number (1..60), nwdrec words per packed
// record. iret -2 none free, -4 a bit count outside 1..31, -3 nparms outside 1..40.
void dp_setp(int nparms, std::span<const int> iscale, std::span<const int> iofset,
             std::span<const int> ibits, int& kdesc, int& nwdrec, int& iret);
// Release descriptor kdesc; -1 when outside 1..60.
void dp_endp(int kdesc, int& iret);
// Pack one record of reals with descriptor kdesc; -1 unknown descriptor.
void dp_pack(int kdesc, std::span<const float> rdata, std::span<int> idata, int& iret);
// GRIB-style grid packing with nbits bits; -10 bad nbits, -11 no value.
void dp_pgrb(std::span<const float> grid, int kx, int ky, int nbits, std::span<int> idata,
             int& lendat, float& ref, float& scale, int& iret);
// Difference grid packing; -10 bad nbits, -11 no value.
void dp_pdif(std::span<const float> grid, int kx, int ky, int nbits, std::span<int> idata,
             int& lendat, float& ref, float& difmin, float& scale, int& iret);
// Decimal grid packing to 10^-ndec; mbits the chosen bit count; -11 no value.
void dp_pdec(std::span<const float> grid, int kx, int ky, int ndec, std::span<int> idata,
             int& lendat, float& ref, float& scale, int& mbits, int& iret);

namespace pack {
// Start condition of the descriptor in-use flags (all free); called by in_bdta.
void reset_descriptors();
}  // namespace pack
