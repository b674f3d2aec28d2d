// Grid packing throughput: a 1000 x 1000 grid packed GRIB style, by
// differences and to a decimal precision, and unpacked again. The field is
// the one bench/packing_sizes.py converts.
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

// Decimal precisions: the bit count follows from this field's range of ~41.
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

// Unpacking: the grid packed once, read back in every iteration.
void BM_Ugrb(benchmark::State& state) {
  const auto nbits = static_cast<int>(state.range(0));
  std::vector<int> words(field().size());
  std::vector<float> back(field().size());
  int lendat = 0, iret = 0;
  float ref = 0, scale = 0;
  dp_pgrb(field(), kSide, kSide, nbits, words, lendat, ref, scale, iret);
  for (auto _ : state) {
    dp_ugrb(words, kSide * kSide, nbits, ref, scale, back, iret);
    benchmark::DoNotOptimize(back.data());
  }
  if (iret != 0) state.SkipWithError("dp_ugrb failed");
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(field().size()));
}

void BM_Udif(benchmark::State& state) {
  const auto nbits = static_cast<int>(state.range(0));
  std::vector<int> words(field().size());
  std::vector<float> back(field().size());
  int lendat = 0, iret = 0;
  float ref = 0, difmin = 0, scale = 0;
  dp_pdif(field(), kSide, kSide, nbits, words, lendat, ref, difmin, scale, iret);
  for (auto _ : state) {
    dp_udif(words, kSide, kSide, nbits, ref, difmin, scale, back, iret);
    benchmark::DoNotOptimize(back.data());
  }
  if (iret != 0) state.SkipWithError("dp_udif failed");
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(field().size()));
}

void BM_Udec(benchmark::State& state) {
  const auto ndec = static_cast<int>(state.range(0));
  std::vector<int> words(field().size());
  std::vector<float> back(field().size());
  int lendat = 0, mbits = 0, iret = 0;
  float ref = 0, scale = 0;
  dp_pdec(field(), kSide, kSide, ndec, words, lendat, ref, scale, mbits, iret);
  for (auto _ : state) {
    dp_ugrb(words, kSide * kSide, mbits, ref, scale, back, iret);
    benchmark::DoNotOptimize(back.data());
  }
  if (iret != 0) state.SkipWithError("dp_ugrb failed");
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(field().size()));
}

// Bit counts 2-24 in steps of 2, and 31 (bench/packing_sizes.py reads them all).
void bit_counts(benchmark::internal::Benchmark* b) {
  for (int nbits = 2; nbits <= 24; nbits += 2) b->Arg(nbits);
  b->Arg(31);
}
// Decimal digits from tens to thousandths.
void digits(benchmark::internal::Benchmark* b) {
  for (int ndec = -1; ndec <= 3; ++ndec) b->Arg(ndec);
}

BENCHMARK(BM_Pgrb)->Apply(bit_counts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ugrb)->Apply(bit_counts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdif)->Apply(bit_counts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Udif)->Apply(bit_counts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdec)->Apply(digits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Udec)->Apply(digits)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
