// Packing descriptors: the layout of the bit fields of a real-packed record,
// built once per part and kept in the packing state block dpcmn.
#include "pack/dp.h"

#include <algorithm>
#include <cstddef>

#include "pack/descriptor_flags.h"
#include "pack/numeric.h"

constinit pack::PackingState dpcmn{};
constinit pack::DescriptorFlags dpflag{};  // all free

namespace pack {

void reset_descriptors() {
  dpflag.ipkuse.fill(0);
}

}  // namespace pack

void dp_setp(int nparms, std::span<const int> iscale, std::span<const int> iofset,
             std::span<const int> ibits, int& kdesc, int& nwdrec, int& iret) {
  using pack::kMaxDescriptors;
  iret = 0;
  kdesc = 0;

  // The lowest free number: scan downwards and keep the last free one seen.
  for (int n = kMaxDescriptors; n >= 1; --n) {
    if (dpflag.ipkuse[static_cast<std::size_t>(n - 1)] == 0) kdesc = n;
  }
  if (kdesc == 0) {
    iret = pack::kDpNoneFree;
    return;
  }

  const std::size_t nexamine =
      nparms > 0 ? std::min(static_cast<std::size_t>(nparms), ibits.size()) : 0;
  for (std::size_t i = 0; i < nexamine; ++i) {
    if (ibits[i] < 1 || ibits[i] > pack::kMaxFieldBits) {
      iret = pack::kDpBadBits;
      return;
    }
  }
  if (nparms < 1 || nparms > pack::kMaxParams) {
    iret = pack::kDpBadParamCount;
    return;
  }
  const auto count = static_cast<std::size_t>(nparms);
  if (iscale.size() < count || iofset.size() < count || ibits.size() < count) {
    iret = pack::kDpArrayTooShort;
    return;
  }

  const auto id = static_cast<std::size_t>(kdesc - 1);
  dpcmn.npkprm[id] = nparms;
  int itotal = 0;
  for (int i = 1; i <= nparms; ++i) {
    const auto slot = static_cast<std::size_t>(pack::param_slot(kdesc, i));
    const auto ip = static_cast<std::size_t>(i - 1);
    dpcmn.pkoffs[slot] = iofset[ip];
    dpcmn.pkbits[slot] = ibits[ip];
    dpcmn.pkscal[slot] = static_cast<float>(pack::pow10(iscale[ip]));
    dpcmn.pkmask[slot] = static_cast<int>(pack::all_ones(ibits[ip]));
    dpcmn.pkword[slot] = itotal / 32 + 1;
    dpcmn.pkbit1[slot] = itotal - 32 * (itotal / 32) + 1;
    itotal += ibits[ip];
  }
  nwdrec = (itotal - 1) / 32 + 1;
  dpcmn.npkwrd[id] = nwdrec;
  dpcmn.ipkall = -1;
  dpflag.ipkuse[id] = 1;
}

void dp_endp(int kdesc, int& iret) {
  iret = 0;
  if (kdesc < 1 || kdesc > pack::kMaxDescriptors) {
    iret = pack::kDpBadDescriptor;
    return;
  }
  dpflag.ipkuse[static_cast<std::size_t>(kdesc - 1)] = 0;
}
