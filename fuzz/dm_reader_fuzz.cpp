// Fuzz target: arbitrary bytes as a DM file, through every reading path:
// the structure check, opening, reading file headers and every data record,
// and the grid layer's open, identifiers and grid reads. Whatever the bytes
// say, nothing may crash, leak or read outside a buffer.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "pack/dp.h"
#include "platform/platform_test.h"
#include "services/fl.h"

namespace {

const std::string& scratch_path() {
  static const std::string path = "/tmp/dm_reader_fuzz_" + std::to_string(::getpid()) + ".dat";
  return path;
}

void reset_library() {
  services::reset_units();
  pack::reset_descriptors();
  dm::reset_state();
  grid::reset_state();
}

void read_dm(const std::string& name) {
  int idmf = 0, iret = 0;
  dm_open(name, false, idmf, iret);
  if (iret != 0) return;
  const DmLabelValues& l = dm::label(idmf);
  std::vector<float> values(4096);
  std::array<int, 256> hdr{};
  std::array<float, 512> head{};
  int nword = 0;
  for (int k = 1; k <= l.nfhdrs; ++k) {
    const auto& nm = dm::file_headers(idmf).kfhnam[static_cast<std::size_t>(k - 1)];
    dm_rfhr(idmf, std::string_view(nm.data(), nm.size()), 512, head, nword, iret);
  }
  int budget = 64;  // records read per input
  for (int irow = 1; irow <= l.nrow && budget > 0; ++irow) {
    for (int icol = 1; icol <= l.ncol && budget > 0; ++icol) {
      for (int iprt = 1; iprt <= l.nprt && budget > 0; ++iprt, --budget) {
        const auto& nm = dm::part(idmf, iprt).kprtnm;
        dm_rdtr(idmf, irow, icol, std::string_view(nm.data(), nm.size()), hdr, values, nword, iret);
      }
    }
  }
  dm_clos(idmf, iret);
}

void read_grids(const std::string& name) {
  int gfnum = 0, iret = 0;
  gd_open(name, false, gfnum, iret);
  if (iret != 0) return;
  int ngrid = 0;
  gd_ngrd(gfnum, ngrid, iret);
  std::vector<float> values(4096);
  std::array<int, 8> grdhdr{};
  std::array<char, 20> t1{}, t2{};
  std::array<char, 12> pname{};
  std::array<int, 2> lev{};
  for (int igrid = 1; igrid <= ngrid && igrid <= 32; ++igrid) {
    int vcode = 0, kx = 0, ky = 0, ipktyp = 0, nbits = 0;
    gd_gidn(gfnum, igrid, t1, t2, lev, vcode, pname, iret);
    gd_gpck(gfnum, igrid, ipktyp, nbits, iret);
    gd_rgrd(gfnum, igrid, values, kx, ky, grdhdr, iret);
  }
  gd_clos(gfnum, iret);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = [] {
    platform::testing::capture_stdout(true);  // the library's message lines
    return true;
  }();
  (void)quiet;
  const std::string& path = scratch_path();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  reset_library();
  const std::string name = "^" + path;
  std::array<char, 400> msg{};
  int iret = 0;
  dm_chck(name, msg, iret);
  read_dm(name);
  read_grids(name);
  platform::testing::take_stdout();
  return 0;
}
