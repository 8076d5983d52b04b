// ZString copies share one buffer (O(1)); std::string copies the characters.
#include "lumenrt/core/zstring.h"

#include <string>

#include <benchmark/benchmark.h>

static void BM_ZStringCopy(benchmark::State& state) {
  ZString source(std::string(static_cast<size_t>(state.range(0)), 'x'));
  for (auto _ : state) {
    ZString copy = source;
    benchmark::DoNotOptimize(copy.c_str());
  }
}
BENCHMARK(BM_ZStringCopy)->Arg(1 << 10)->Arg(1 << 20);

static void BM_ZStringAssign(benchmark::State& state) {
  ZString source(std::string(static_cast<size_t>(state.range(0)), 'x'));
  ZString target("y");
  for (auto _ : state) {
    target = source;
    benchmark::DoNotOptimize(target.c_str());
    target = "y";
  }
}
BENCHMARK(BM_ZStringAssign)->Arg(1 << 10)->Arg(1 << 20);

static void BM_StdStringCopy(benchmark::State& state) {
  std::string source(static_cast<size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    std::string copy = source;
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_StdStringCopy)->Arg(1 << 10)->Arg(1 << 20);

BENCHMARK_MAIN();
