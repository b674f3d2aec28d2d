// The C++ interface against the routines beneath it: writing 100 grids of
// 100 x 100 values into a new file, and reading them back, each way. The
// difference is the interface's own cost (identifier checks, the record
// header read that sizes a read, the trial pack of packed grids).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "grid/gd.h"
#include "gridfile/gridfile.h"

namespace {

constexpr int kNx = 100, kNy = 100, kGrids = 100;

std::string bench_path(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

std::vector<float> field() {
  std::vector<float> v(kNx * kNy);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = 250.0f + static_cast<float>(i % 977) * 0.0625f;
  return v;
}

const gridfile::Navigation kNav{"CED", kNx, kNy, 0, 0, 10, 10, 0, 0, 0};

gridfile::GridId id_of(int k) {
  return {.time1 = "240101/0000", .param = "TMPK", .level1 = k, .vcoord = gridfile::Vcoord::kPres};
}

// Writes kGrids grids through the interface with the given packing.
void write_api(const std::string& p, const gridfile::Packing& packing) {
  const std::vector<float> values = field();
  std::filesystem::remove(p);
  gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::create(p, kNav, kGrids);
  for (int k = 1; k <= kGrids; ++k) (void)f->write(values, kNx, kNy, id_of(k), packing);
}

// The same through gd_cref and gd_wpgd.
void write_routines(const std::string& p, int ipktyp, int nbits) {
  (void)gridfile::check("");  // starts the library when nothing has
  const std::vector<float> values = field();
  std::filesystem::remove(p);
  const std::array<float, 256> nav = kNav.to_block();
  const std::array<float, 128> anl{};
  const std::array<int, 2> grdhdr{2, 0};
  int gfnum = 0, iret = 0;
  gd_cref("^" + p, 256, nav, 128, anl, 2, kGrids, gfnum, iret);
  std::string t1 = "240101/0000", t2(20, ' '), prm = "TMPK";
  t1.resize(20, ' ');
  prm.resize(12, ' ');
  const std::array<std::string_view, 2> timpair{t1, t2};
  for (int k = 1; k <= kGrids; ++k) {
    const std::array<int, 2> levpair{k, -1};
    gd_wpgd(gfnum, values, kNx, kNy, grdhdr, timpair, levpair, 1, prm, false, ipktyp, nbits, iret);
  }
  gd_clos(gfnum, iret);
}

void BM_WriteApi(benchmark::State& state) {
  const gridfile::Packing packing{static_cast<gridfile::PackingType>(state.range(0)),
                                  static_cast<int>(state.range(1))};
  for (auto _ : state) write_api(bench_path("gridfile_bench_api.grd"), packing);
  state.SetItemsProcessed(state.iterations() * kGrids);
}
BENCHMARK(BM_WriteApi)->Args({0, 0})->Args({1, 16})->Unit(benchmark::kMillisecond);

void BM_WriteRoutines(benchmark::State& state) {
  for (auto _ : state) {
    write_routines(bench_path("gridfile_bench_routines.grd"), static_cast<int>(state.range(0)),
                   static_cast<int>(state.range(1)));
  }
  state.SetItemsProcessed(state.iterations() * kGrids);
}
BENCHMARK(BM_WriteRoutines)->Args({0, 0})->Args({1, 16})->Unit(benchmark::kMillisecond);

void BM_ReadApi(benchmark::State& state) {
  const std::string p = bench_path("gridfile_bench_read.grd");
  write_api(p, {static_cast<gridfile::PackingType>(state.range(0)), 16});
  gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::open(p);
  for (auto _ : state) {
    for (int k = 1; k <= kGrids; ++k) benchmark::DoNotOptimize(f->read(k));
  }
  state.SetItemsProcessed(state.iterations() * kGrids);
}
BENCHMARK(BM_ReadApi)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadRoutines(benchmark::State& state) {
  const std::string p = bench_path("gridfile_bench_read.grd");
  write_api(p, {static_cast<gridfile::PackingType>(state.range(0)), 16});
  int gfnum = 0, iret = 0;
  gd_open("^" + p, false, gfnum, iret);
  std::vector<float> values(kNx * kNy);
  std::array<int, 128> grdhdr{};
  for (auto _ : state) {
    for (int k = 1; k <= kGrids; ++k) {
      int kx = 0, ky = 0;
      gd_rgrd(gfnum, k, values, kx, ky, grdhdr, iret);
      benchmark::DoNotOptimize(values.data());
    }
  }
  gd_clos(gfnum, iret);
  state.SetItemsProcessed(state.iterations() * kGrids);
}
BENCHMARK(BM_ReadRoutines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every grid of the file named by BENCH_GRID_FILE, opened, read and closed
// each iteration: the C++ side of bench/python_read_bench.sh.
void BM_ReadWholeFile(benchmark::State& state) {
  const char* path = std::getenv("BENCH_GRID_FILE");
  if (path == nullptr) {
    state.SkipWithError("BENCH_GRID_FILE is not set");
    return;
  }
  std::size_t values = 0;
  for (auto _ : state) {
    gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::open(path);
    if (!f) {
      state.SkipWithError(f.error().text.c_str());
      return;
    }
    for (int k = 1; k <= f->count(); ++k) {
      gridfile::Result<gridfile::Grid> g = f->read(k);
      if (g) values += g->values.size();
      benchmark::DoNotOptimize(g);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(values));
}
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
