// Packed grids in data records: the packing request, the packing itself, and
// the grid block written into the record.
//
//   PACKING TYPE         GRID BLOCK WORDS (in order)                          kword
//   0 none               0; kxky reals                                       kxky + 1
//   1 GRIB style         1; nbits; flag; kxky; ref; scale; lendat words      lendat + 6
//   3 difference         3; nbits; flag; kxky; kx; ref; scale; difmin;       lendat + 8
//                        lendat words
//
// A request for type 4 (decimal) is stored as type 1 with the bit count the
// decimal packer chose. The flag word is -1. ref, scale and difmin are reals.
#include "dm/dm.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "pack/dp.h"

namespace {

constexpr int kNoPacking = 0;
constexpr int kGribPacking = 1;
constexpr int kDifferencePacking = 3;
constexpr int kDecimalPacking = 4;
constexpr int kMissingFlag = -1;  // the missing-data flag word: all bits set

// A packer's refusal as this layer reports it. The grid was checked to hold
// the request's points, so a short array can only be the caller's idata.
int packer_code(int ier) {
  switch (ier) {
    case pack::kDpArrayTooShort:
      return dm::kDmPackedTooLong;
    case pack::kDpRangeTooBig:
      return dm::kDmGridRangeTooBig;
    case pack::kDpStepTooFine:
      return dm::kDmGridStepTooFine;
    default:
      return ier;
  }
}

}  // namespace

void dm_sgpk(int igx, int igy, int ipktyp, int nbits, bool misflg, float ref, float scale,
             float difmin, int& iret) {
  dmspce.igx = igx;
  dmspce.igy = igy;
  dmspce.ipktyp = ipktyp;
  dmspce.nbits = nbits;
  dmspce.misflg = misflg ? kMissingFlag : 0;
  dmspce.ref = ref;
  dmspce.scale = scale;
  dmspce.difmin = difmin;
  iret = 0;
}

void dm_pkgd(std::span<const float> grid, std::span<int> idata, int& kword, int& ipktyp, int& nbits,
             int& misflg, int& kxky, int& kx, float& ref, float& scale, float& difmin, int& iret) {
  iret = 0;
  const int igx = dmspce.igx;
  const int igy = dmspce.igy;
  ipktyp = dmspce.ipktyp;
  nbits = dmspce.nbits;
  misflg = kMissingFlag;
  kx = igx;
  ref = 0.0f;
  scale = 0.0f;
  difmin = 0.0f;
  kword = 0;
  // The request's points must all be in the caller's grid.
  const std::int64_t npts = std::int64_t{igx} * igy;
  if (igx < 0 || igy < 0 || npts > static_cast<std::int64_t>(grid.size()) || npts >= INT_MAX) {
    iret = dm::kDmBadArgument;
    return;
  }
  kxky = static_cast<int>(npts);

  int lendat = 0, ier = 0;
  switch (ipktyp) {
    case kNoPacking:
      kword = kxky + 1;
      return;
    case kGribPacking:
      dp_pgrb(grid, igx, igy, nbits, idata, lendat, ref, scale, ier);
      kword = lendat + 6;
      break;
    case kDecimalPacking: {
      int mbits = 0;
      dp_pdec(grid, igx, igy, nbits, idata, lendat, ref, scale, mbits, ier);
      ipktyp = kGribPacking;
      nbits = mbits;
      kword = lendat + 6;
      break;
    }
    case kDifferencePacking:
      dp_pdif(grid, igx, igy, nbits, idata, lendat, ref, difmin, scale, ier);
      kword = lendat + 8;
      break;
    default:
      iret = dm::kDmBadPackType;
      return;
  }
  if (ier != 0) {
    kword = 0;
    iret = packer_code(ier);
  }
}

void dm_wpkg(int idmf, std::span<const float> grid, std::span<const int> idata, int isword,
             int kword, int ipktyp, int nbits, int misflg, int kxky, int kx, float ref, float scale,
             float difmin, int& iret) {
  iret = 0;
  dm_wint(idmf, isword, 1, std::array{ipktyp}, iret);
  if (iret != 0) return;
  int iiword = isword + 1;
  int lendat = kword - 1;
  if (ipktyp == kNoPacking) {
    dm_wflt(idmf, iiword, lendat, grid, iret);
    return;
  }

  const int itype = ipktyp == kDecimalPacking ? kGribPacking : ipktyp;
  const std::array<int, 4> ints{nbits, misflg, kxky, kx};
  const std::array<float, 3> reals{ref, scale, difmin};
  const int iiw = itype == kDifferencePacking ? 4 : 3;
  const int irw = itype == kDifferencePacking ? 3 : 2;

  dm_wint(idmf, iiword, iiw, ints, iret);
  if (iret != 0) return;
  iiword += iiw;
  lendat -= iiw;
  dm_wflt(idmf, iiword, irw, reals, iret);
  if (iret != 0) return;
  iiword += irw;
  lendat -= irw;
  dm_wint(idmf, iiword, lendat, idata, iret);
}
