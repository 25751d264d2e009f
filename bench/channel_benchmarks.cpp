#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/allocation_counter.h"
#include "bench/bench_engine.h"
#include "bench/bench_spooler.h"
#include "bench/benchmark_suite.h"
#include "bench/channel_road.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "codec/encodable_value.h"
#include "codec/method_result.h"
#include "codec/standard_method_codec.h"

namespace kestro::bench {
namespace {

using flutter::EncodableValue;

// Calls counted, untimed, for the allocations per call.
constexpr int kCountedCalls = 100;

// Keeps the value of a success reply; anything else leaves it empty.
class SuccessCapture : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* value) override {
    succeeded = true;
    if (value != nullptr) this->value = *value;
  }
  void Error(const std::string&, const std::string&, const EncodableValue*) override {}
  void NotImplemented() override {}

  bool succeeded = false;
  EncodableValue value;
};

// What one call must leave behind on the road.
struct Expected {
  EncodableValue answer;
  std::vector<uint8_t> written;  // the bytes the printer received; none for a listing
};

// Whether `message` gets exactly one reply, a success carrying the expected
// answer, the spooler received the expected bytes and closed its printer,
// and the host holds no messenger reference or lock afterwards.
bool AnswersAsExpected(BenchEngine& engine, const BenchSpooler& spooler,
                       const std::vector<uint8_t>& message, const Expected& expected) {
  if (engine.Deliver(kCashDrawerChannelName, message) != 1) return false;
  const std::vector<uint8_t>& response = engine.last_response();
  SuccessCapture reply;
  if (!flutter::CodecForSerializer().DecodeReply(response.data(), response.size(), &reply)) {
    return false;
  }
  return reply.succeeded && flutter::AreEquivalent(reply.value, expected.answer) &&
         spooler.last_written() == expected.written && spooler.open_printers() == 0 &&
         engine.host_references() == 0 && engine.held_locks() == 0;
}

double AllocationsPerCall(BenchEngine& engine, const std::vector<uint8_t>& message) {
  const std::string channel = kCashDrawerChannelName;
  const uint64_t before = AllocationsOnThisThread();
  for (int i = 0; i < kCountedCalls; ++i) engine.Deliver(channel, message);
  return static_cast<double>(AllocationsOnThisThread() - before) / kCountedCalls;
}

void TimeRoundTrip(benchmark::State& state, const std::vector<uint8_t>& message,
                   const Expected& expected) {
  BenchEngine engine;
  BenchSpooler spooler;
  ChannelRoad road(&spooler);
  if (!AnswersAsExpected(engine, spooler, message, expected)) {
    state.SkipWithError("the channel did not answer the call as expected");
    return;
  }
  const double allocations = AllocationsPerCall(engine, message);
  const std::string channel = kCashDrawerChannelName;
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.Deliver(channel, message));
  }
  if (!AnswersAsExpected(engine, spooler, message, expected)) {
    state.SkipWithError("the channel's answers changed while it was timed");
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["allocations_per_call"] = allocations;
}

void TimeListPrinters(benchmark::State& state) {
  TimeRoundTrip(state, ListPrintersMessage(), {ExpectedPrinterList(), {}});
}

void TimeOpenDrawer(benchmark::State& state) {
  TimeRoundTrip(state, OpenDrawerMessage(), {ExpectedOpenDrawerResult(), ExpectedDrawerCommand()});
}

}  // namespace

void RegisterChannelBenchmarks() {
  benchmark::RegisterBenchmark("channel/round_trip/list_printers", TimeListPrinters);
  benchmark::RegisterBenchmark("channel/round_trip/open_drawer", TimeOpenDrawer);
}

}  // namespace kestro::bench
