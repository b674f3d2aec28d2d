// Real-data bit packing: one record of real parameters into the bit fields of
// a packing descriptor, and back.
#include "pack/dp.h"

#include <cstddef>
#include <cstdint>

#include "pack/bitstream.h"
#include "pack/descriptor_flags.h"
#include "pack/numeric.h"

namespace {

bool descriptor_in_use(int kdesc) {
  return kdesc >= 1 && kdesc <= pack::kMaxDescriptors &&
         dpflag.ipkuse[static_cast<std::size_t>(kdesc - 1)] == 1;
}

// Code of one value: nint(value / scale) - offset, or the missing code when the
// value is missing or its code falls outside 0 .. mask - 1.
std::uint32_t value_code(float value, float pkscal, int pkoffs, int pkmask) {
  if (pack::is_missing(value)) return static_cast<std::uint32_t>(pkmask);
  const float quotient = value / pkscal;  // rounded to single precision first
  const std::int64_t ipack = pack::nint(quotient) - pkoffs;
  if (ipack < 0 || ipack > pkmask - 1) return static_cast<std::uint32_t>(pkmask);
  return static_cast<std::uint32_t>(ipack);
}

}  // namespace

void dp_pack(int kdesc, std::span<const float> rdata, std::span<int> idata, int& iret) {
  iret = 0;
  if (!descriptor_in_use(kdesc)) {
    iret = pack::kDpBadDescriptor;
    return;
  }
  const auto id = static_cast<std::size_t>(kdesc - 1);
  const int nparms = dpcmn.npkprm[id];
  const int nwords = dpcmn.npkwrd[id];
  if (rdata.size() < static_cast<std::size_t>(nparms) ||
      idata.size() < static_cast<std::size_t>(nwords)) {
    iret = pack::kDpArrayTooShort;
    return;
  }

  for (int w = 0; w < nwords; ++w) idata[static_cast<std::size_t>(w)] = 0;
  for (int i = 1; i <= nparms; ++i) {
    const auto slot = static_cast<std::size_t>(pack::param_slot(kdesc, i));
    const std::uint32_t code =
        value_code(rdata[static_cast<std::size_t>(i - 1)], dpcmn.pkscal[slot], dpcmn.pkoffs[slot],
                   dpcmn.pkmask[slot]);
    pack::put_field(idata, dpcmn.pkword[slot], dpcmn.pkbit1[slot], dpcmn.pkbits[slot], code);
  }
}

void dp_unpk(int kdesc, std::span<const int> idata, std::span<float> rdata, int& iret) {
  iret = 0;
  if (!descriptor_in_use(kdesc)) {
    iret = pack::kDpBadDescriptor;
    return;
  }
  const auto id = static_cast<std::size_t>(kdesc - 1);
  const int nparms = dpcmn.npkprm[id];
  if (rdata.size() < static_cast<std::size_t>(nparms) ||
      idata.size() < static_cast<std::size_t>(dpcmn.npkwrd[id])) {
    iret = pack::kDpArrayTooShort;
    return;
  }

  for (int i = 1; i <= nparms; ++i) {
    const auto slot = static_cast<std::size_t>(pack::param_slot(kdesc, i));
    const std::uint32_t code =
        pack::get_field(idata, dpcmn.pkword[slot], dpcmn.pkbit1[slot], dpcmn.pkbits[slot]);
    float& value = rdata[static_cast<std::size_t>(i - 1)];
    if (code == static_cast<std::uint32_t>(dpcmn.pkmask[slot])) {
      value = pack::kMissing;
    } else {
      const std::int64_t level = std::int64_t{code} + dpcmn.pkoffs[slot];
      value = static_cast<float>(level) * dpcmn.pkscal[slot];
    }
  }
}
