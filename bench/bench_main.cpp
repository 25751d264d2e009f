// The benchmark program: the codec against its peers, the growth series and
// the channel road, with Google Benchmark's own command line.

#include <benchmark/benchmark.h>

#include "bench/benchmark_suite.h"

int main(int argc, char** argv) {
  kestro::bench::RegisterComparedBenchmarks();
  kestro::bench::RegisterGrowthBenchmarks();
  kestro::bench::RegisterChannelBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
