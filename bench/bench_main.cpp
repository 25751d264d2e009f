// The benchmark program: the codec against its peers, the growth series and
// the channel road, with Google Benchmark's own command line.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include "bench/benchmark_suite.h"

namespace {

// glibc adapts its thresholds for mapping and for giving back memory as the
// program runs, so whether a large block is mapped afresh, and faulted in page
// by page on every iteration, would depend on which benchmarks ran before.
// Fixed thresholds give every benchmark, of every library, the same allocator.
void FixAllocatorThresholds() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace

int main(int argc, char** argv) {
  FixAllocatorThresholds();
  kestro::bench::RegisterComparedBenchmarks();
  kestro::bench::RegisterGrowthBenchmarks();
  kestro::bench::RegisterChannelBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
