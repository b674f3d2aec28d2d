// The value reader's hot path: one free-form read of one real per call on a
// text file of one value per line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "platform/platform.h"

namespace {

constexpr int kLun = 9;
constexpr int kValues = 4'000'000;

const std::string& values_file() {
  static const std::string path = [] {
    const std::string p = "/tmp/t2g_platform_bench_values.txt";
    std::ofstream out(p);
    std::mt19937 gen(12345);
    std::uniform_real_distribution<float> dist(-500.0f, 500.0f);
    char buf[32];
    for (int k = 0; k < kValues; ++k) {
      std::snprintf(buf, sizeof buf, "%.4f\n", static_cast<double>(dist(gen)));
      out << buf;
    }
    return p;
  }();
  return path;
}

void BM_ReadRealOnePerLine(benchmark::State& state) {
  const std::string& path = values_file();
  std::int64_t total = 0;
  for (auto _ : state) {
    if (platform::open_sequential(kLun, path) != platform::kOk) {
      state.SkipWithError("cannot open the values file");
      return;
    }
    float v = 0.0f;
    double sum = 0.0;
    while (platform::read_real(kLun, v) == platform::kOk) sum += v;
    benchmark::DoNotOptimize(sum);
    platform::close_unit(kLun);
    total += kValues;
  }
  state.SetItemsProcessed(total);
}
BENCHMARK(BM_ReadRealOnePerLine)->Unit(benchmark::kMillisecond);

void BM_FormatRealLine(benchmark::State& state) {
  const platform::OutItem items[] = {"GAREA = ", 45.0f, -100.0f, 50.5f, -90.25f};
  for (auto _ : state) benchmark::DoNotOptimize(platform::format_list(items));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatRealLine);

}  // namespace

BENCHMARK_MAIN();
