// The rotating log writer's cost per line, with its byte count persisted in the registry store, and
// the store's single-value write and read beside it.
#include "lumenrt/timelog/log_writer.h"

#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/registry_store.h"

namespace {

// A private registry store and log directory for one benchmark run.
class Scratch {
 public:
  Scratch() {
    char pattern[] = "/tmp/lumenrt-bench-XXXXXX";
    dir_ = mkdtemp(pattern);
    lumenrt::platform::SetRegistryStorePath((dir_ + "/registry.db").c_str());
  }
  ~Scratch() {
    lumenrt::platform::SetRegistryStorePath(nullptr);
    std::filesystem::remove_all(dir_);
  }
  std::string Dir() const { return dir_ + "/"; }

 private:
  std::string dir_;
};

void BM_LogWriteLine(benchmark::State& state) {
  Scratch scratch;
  LogOpen(scratch.Dir().c_str(), "Bench", 1);
  const std::string line = "BKUP-I-FILEDONE, file C:\\Data\\Reports\\2026\\quarter-4.xlsx saved";
  for (auto _ : state) LogWrite(0, line.c_str());
  lumenrt::LogClose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogWriteLine);

void BM_RegistryNumberWrite(benchmark::State& state) {
  Scratch scratch;
  WriteAgentNumber("Bench_Value", 0, 1);
  std::int32_t n = 0;
  for (auto _ : state) WriteAgentNumber("Bench_Value", ++n, 0);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RegistryNumberWrite);

void BM_RegistryNumberRead(benchmark::State& state) {
  Scratch scratch;
  WriteAgentNumber("Bench_Value", 42, 1);
  std::int32_t n = 0;
  for (auto _ : state) {
    ReadAgentNumber("Bench_Value", &n, 0);
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RegistryNumberRead);

}  // namespace

BENCHMARK_MAIN();
