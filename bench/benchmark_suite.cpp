#include "bench/benchmark_suite.h"

#include <benchmark/benchmark.h>

#include <string>

#include "bench/libraries.h"
#include "bench/workloads.h"

namespace kestro::bench {
namespace {

std::string Name(const char* library, const char* op, const std::string& workload) {
  return std::string(library) + "/" + op + "/" + workload;
}

// Every timed loop first proves, on the same data, that the library's round
// trip gives back what went in.
template <typename Library>
bool RoundTripHolds(const typename Library::Tree& tree, benchmark::State& state) {
  if (Library::Same(Library::Decode(Library::Encode(tree)), tree)) return true;
  state.SkipWithError("the round trip changed the data");
  return false;
}

template <typename Library>
void TimeEncode(benchmark::State& state, const Workload* workload) {
  const typename Library::Tree tree = Library::Prepare(*workload);
  if (!RoundTripHolds<Library>(tree, state)) return;
  size_t size = 0;
  for (auto _ : state) {
    typename Library::Message message = Library::Encode(tree);
    size = Library::Size(message);
    benchmark::DoNotOptimize(message);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The decoded tree is destroyed inside the loop: freeing is part of decoding.
template <typename Library>
void TimeDecode(benchmark::State& state, const Workload* workload) {
  const typename Library::Tree tree = Library::Prepare(*workload);
  if (!RoundTripHolds<Library>(tree, state)) return;
  const typename Library::Message message = Library::Encode(tree);
  for (auto _ : state) {
    typename Library::Decoded decoded = Library::Decode(message);
    benchmark::DoNotOptimize(decoded);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Library::Size(message)));
}

template <typename Library>
void RegisterLibrary() {
  for (const Workload& workload : ComparedWorkloads()) {
    benchmark::RegisterBenchmark(Name(Library::kName, "encode", workload.name).c_str(),
                                 TimeEncode<Library>, &workload);
    benchmark::RegisterBenchmark(Name(Library::kName, "decode", workload.name).c_str(),
                                 TimeDecode<Library>, &workload);
  }
}

}  // namespace

void RegisterComparedBenchmarks() {
  RegisterLibrary<CodecLibrary>();
  RegisterLibrary<MsgpackZoneLibrary>();
  RegisterLibrary<MsgpackTreeLibrary>();
  RegisterLibrary<NlohmannLibrary>();
  RegisterLibrary<MemcpyLibrary>();
}

void RegisterGrowthBenchmarks() {
  for (const Workload& workload : GrowthWorkloads()) {
    benchmark::RegisterBenchmark(Name(CodecLibrary::kName, "decode", workload.name).c_str(),
                                 TimeDecode<CodecLibrary>, &workload);
  }
  // The floor of each byte array shows what the memory itself costs at that
  // size, caches included.
  for (const Workload& workload : GrowthWorkloads()) {
    if (workload.value.kind() != flutter::ValueKind::kByteArray) continue;
    benchmark::RegisterBenchmark(Name(MemcpyLibrary::kName, "decode", workload.name).c_str(),
                                 TimeDecode<MemcpyLibrary>, &workload);
  }
}

}  // namespace kestro::bench
