// DM engine: creating the converter's grid file (9999 columns) and writing
// 1000 column headers into it.
#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "dm/dm.h"
#include "pack/dp.h"
#include "services/fl.h"

namespace {

const std::string& bench_file() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / "dm_bench_grid.dat").string();
  return path;
}

// Start condition, no file left over, then the grid file layout of the converter.
void create_grid_file(int ncol, int& idmf, int& iret) {
  services::reset_units();
  pack::reset_descriptors();
  dm::reset_state();
  std::filesystem::remove(bench_file());
  const std::array<std::string_view, 2> fhdnam{"NAVB", "ANLB"};
  const std::array<int, 2> ifhlen{256, 128}, ifhtyp{1, 1};
  const std::array<std::string_view, 1> krownm{"GRID"};
  const std::array<std::string_view, 10> kcolnm{"GDT1", "GTM1", "GDT2", "GTM2", "GLV1",
                                                "GLV2", "GVCD", "GPM1", "GPM2", "GPM3"};
  const std::array<std::string_view, 1> prtnam{"GRID"}, parms{"GRID"};
  const std::array<int, 1> idthdr{4}, ityprt{5}, nparm{1}, zero{0};
  dm_cret("^" + bench_file(), 3, 6, 2, fhdnam, ifhlen, ifhtyp, 1, 1, krownm, ncol, 10, kcolnm, 1,
          prtnam, idthdr, ityprt, nparm, 1, parms, zero, zero, zero, idmf, iret);
}

void BM_CreateGridFile(benchmark::State& state) {
  int idmf = 0, iret = 0;
  for (auto _ : state) {
    state.PauseTiming();
    dm_clos(idmf, iret);
    std::filesystem::remove(bench_file());
    state.ResumeTiming();
    create_grid_file(9999, idmf, iret);
    if (iret != 0) state.SkipWithError("dm_cret failed");
  }
  dm_clos(idmf, iret);
}

void BM_WriteColumnHeaders(benchmark::State& state) {
  int idmf = 0, iret = 0;
  std::array<int, 10> ihdarr{};
  for (auto _ : state) {
    state.PauseTiming();
    dm_clos(idmf, iret);
    create_grid_file(9999, idmf, iret);
    state.ResumeTiming();
    for (int k = 1; k <= 1000; ++k) {
      ihdarr[0] = k;
      int ipos = 0;
      dm_wclh(idmf, 0, ihdarr, ipos, iret);
      if (iret != 0) state.SkipWithError("dm_wclh failed");
    }
  }
  dm_clos(idmf, iret);
  state.SetItemsProcessed(state.iterations() * 1000);
}

BENCHMARK(BM_CreateGridFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteColumnHeaders)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
