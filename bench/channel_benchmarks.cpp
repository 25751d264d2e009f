#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/benchmark_suite.h"
#include "bench/channel_road.h"
#include "codec/encodable_value.h"
#include "codec/method_result.h"
#include "codec/standard_method_codec.h"

namespace kestro::bench {
namespace {

using flutter::EncodableValue;

// The fake engine and spooler keep a record of every call; they are
// recycled, untimed, this often so that the records stay small.
constexpr int kCallsBetweenRecycling = 256;

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

// Whether the one reply to `message` is a success carrying `expected`, and
// the spooler received `expected_bytes`.
bool AnswersAsExpected(ChannelRoad* road, const std::vector<uint8_t>& message,
                       const EncodableValue& expected, const std::vector<uint8_t>& expected_bytes) {
  const std::vector<std::vector<uint8_t>> responses = road->Call(message);
  if (responses.size() != 1) return false;
  SuccessCapture reply;
  if (!flutter::CodecForSerializer().DecodeReply(responses[0].data(), responses[0].size(),
                                                 &reply)) {
    return false;
  }
  return reply.succeeded && flutter::AreEquivalent(reply.value, expected) &&
         road->spooler().written_bytes() == expected_bytes && road->Problems().empty();
}

void TimeRoundTrip(benchmark::State& state, const std::vector<uint8_t>& message,
                   const EncodableValue& expected, const std::vector<uint8_t>& expected_bytes) {
  ChannelRoad road;
  if (!AnswersAsExpected(&road, message, expected, expected_bytes)) {
    state.SkipWithError("the channel did not answer the call as expected");
    return;
  }
  road.Recycle();
  int calls = 0;
  for (auto _ : state) {
    road.Deliver(message);
    if (++calls == kCallsBetweenRecycling) {
      state.PauseTiming();
      road.Recycle();
      calls = 0;
      state.ResumeTiming();
    }
  }
  if (!road.Problems().empty()) state.SkipWithError("the engine's rules were broken");
  state.SetItemsProcessed(state.iterations());
}

void TimeListPrinters(benchmark::State& state) {
  TimeRoundTrip(state, ListPrintersMessage(), ExpectedPrinterList(), {});
}

void TimeOpenDrawer(benchmark::State& state) {
  TimeRoundTrip(state, OpenDrawerMessage(), ExpectedOpenDrawerResult(), ExpectedDrawerCommand());
}

}  // namespace

void RegisterChannelBenchmarks() {
  benchmark::RegisterBenchmark("channel/round_trip/list_printers", TimeListPrinters);
  benchmark::RegisterBenchmark("channel/round_trip/open_drawer", TimeOpenDrawer);
}

}  // namespace kestro::bench
