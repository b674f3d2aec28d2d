// Grid packing throughput: a 1000 x 1000 grid packed GRIB style, by
// differences and to a decimal precision.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "pack/dp.h"

namespace {

constexpr int kSide = 1000;

// A smooth field with a few missing points, like an analysed temperature grid.
const std::vector<float>& field() {
  static const std::vector<float> grid = [] {
    std::vector<float> g(static_cast<std::size_t>(kSide) * kSide);
    for (int j = 0; j < kSide; ++j) {
      for (int i = 0; i < kSide; ++i) {
        g[static_cast<std::size_t>(j) * kSide + static_cast<std::size_t>(i)] =
            static_cast<float>(273.15 + 20.0 * std::sin(i * 0.01) * std::cos(j * 0.013) +
                               0.001 * ((i * 7919 + j * 104729) % 1000));
      }
    }
    for (std::size_t k = 0; k < g.size(); k += 997) g[k] = -9999.0f;
    return g;
  }();
  return grid;
}

void BM_Pgrb(benchmark::State& state) {
  const auto nbits = static_cast<int>(state.range(0));
  std::vector<int> words(field().size());
  int lendat = 0, iret = 0;
  float ref = 0, scale = 0;
  for (auto _ : state) {
    dp_pgrb(field(), kSide, kSide, nbits, words, lendat, ref, scale, iret);
    benchmark::DoNotOptimize(words.data());
  }
  if (iret != 0) state.SkipWithError("dp_pgrb failed");
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(field().size()));
}

void BM_Pdif(benchmark::State& state) {
  const auto nbits = static_cast<int>(state.range(0));
  std::vector<int> words(field().size());
  int lendat = 0, iret = 0;
  float ref = 0, difmin = 0, scale = 0;
  for (auto _ : state) {
    dp_pdif(field(), kSide, kSide, nbits, words, lendat, ref, difmin, scale, iret);
    benchmark::DoNotOptimize(words.data());
  }
  if (iret != 0) state.SkipWithError("dp_pdif failed");
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(field().size()));
}

// Decimal precisions that give 8, 16 and 24 bits over this field's range of ~40.
void BM_Pdec(benchmark::State& state) {
  const auto ndec = static_cast<int>(state.range(0));
  std::vector<int> words(field().size());
  int lendat = 0, mbits = 0, iret = 0;
  float ref = 0, scale = 0;
  for (auto _ : state) {
    dp_pdec(field(), kSide, kSide, ndec, words, lendat, ref, scale, mbits, iret);
    benchmark::DoNotOptimize(words.data());
  }
  if (iret != 0) state.SkipWithError("dp_pdec failed");
  state.counters["mbits"] = mbits;
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(field().size()));
}

BENCHMARK(BM_Pgrb)->Arg(8)->Arg(16)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdif)->Arg(8)->Arg(16)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdec)->Arg(0)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
