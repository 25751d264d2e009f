// Registration of the benchmark suite with Google Benchmark. Names follow
// LIBRARY/OP/WORKLOAD: "codec/decode/tree_10k", "channel/round_trip/open_drawer".

#ifndef KESTRO_BENCH_BENCHMARK_SUITE_H_
#define KESTRO_BENCH_BENCHMARK_SUITE_H_

namespace kestro::bench {

// Encode and decode of every compared workload, for the codec and each peer.
void RegisterComparedBenchmarks();

// codec/decode/printer_list_N and codec/decode/bytes_N, with the memcpy floor
// of each bytes_N beside it.
void RegisterGrowthBenchmarks();

// channel/round_trip/list_printers and channel/round_trip/open_drawer.
void RegisterChannelBenchmarks();

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_BENCHMARK_SUITE_H_
