#include "bench/bench_engine.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "bench/bench_spooler.h"
#include "bench/channel_road.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "codec/standard_method_codec.h"

namespace kestro::bench {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes SuccessReply(const flutter::EncodableValue& value) {
  return flutter::CodecForSerializer().EncodeSuccessReply(&value);
}

// The lean engine carries the road's calls as the recording fake does: one
// response each, the host's references and locks all given back, and the
// response buffer holds the latest answer whole, also after a longer one.
TEST(BenchEngine, CarriesEachCallAndItsOneResponse) {
  BenchEngine engine;
  BenchSpooler spooler;
  ChannelRoad road(&spooler);
  const struct {
    Bytes message;
    Bytes response;
  } calls[] = {
      {ListPrintersMessage(), SuccessReply(ExpectedPrinterList())},
      {OpenDrawerMessage(), SuccessReply(ExpectedOpenDrawerResult())},
      {OpenDrawerMessage(), SuccessReply(ExpectedOpenDrawerResult())},
      {ListPrintersMessage(), SuccessReply(ExpectedPrinterList())},
  };
  for (const auto& call : calls) {
    EXPECT_EQ(engine.Deliver(kCashDrawerChannelName, call.message), 1);
    EXPECT_EQ(engine.last_response(), call.response);
    EXPECT_EQ(engine.host_references(), 0);
    EXPECT_EQ(engine.held_locks(), 0);
  }
}

// Messages reach only a channel with a callback, and no longer once the
// road, and with it the channel's engine, has gone.
TEST(BenchEngine, DeliversOnlyToInstalledChannels) {
  BenchEngine engine;
  BenchSpooler spooler;
  std::optional<ChannelRoad> road(&spooler);
  EXPECT_EQ(engine.Deliver("kestro/cash_drawer2", ListPrintersMessage()), 0);
  EXPECT_EQ(engine.Deliver(kCashDrawerChannelName, ListPrintersMessage()), 1);
  road.reset();
  EXPECT_EQ(engine.Deliver(kCashDrawerChannelName, ListPrintersMessage()), 0);
}

}  // namespace
}  // namespace kestro::bench
