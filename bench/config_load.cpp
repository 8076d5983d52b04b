// Loading a configuration file is linear in its length: 1.6 million lines take about four times as
// long as 400,000. The heap keeps the memory it is given back between iterations, so that every
// iteration of both sizes runs on memory already mapped (otherwise the larger size pays the system's
// page faults again in every iteration and the smaller one does not).
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"

namespace {

// n lines alternating key names, numeric ids, quoted values and comments.
std::string ConfigText(long n) {
  static const char* const kLines[] = {"Backup.Type = Full\n", "1003 = /home/data\n",
                                       "Backup.Exclude = \"  *.tmp  \"\n", "; a comment\n"};
  std::string text;
  text.reserve(static_cast<std::size_t>(n) * 24);
  for (long i = 0; i < n; ++i) text += kLines[i % 4];
  return text;
}

void BM_LoadConfigText(benchmark::State& state) {
  const std::string text = ConfigText(state.range(0));
  for (auto _ : state) {
    ConfigSource source(1, 105);
    std::vector<lumenrt::ConfigFileProblem> problems;
    benchmark::DoNotOptimize(lumenrt::LoadConfigText(text, source, problems));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadConfigText)->Arg(400000)->Arg(1600000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
