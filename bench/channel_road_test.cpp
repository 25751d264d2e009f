#include "bench/channel_road.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/bench_spooler.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "codec/method_call.h"
#include "codec/standard_method_codec.h"
#include "embedding/testing/fake_engine.h"

namespace kestro::bench {
namespace {

using flutter::EncodableValue;
using Bytes = std::vector<uint8_t>;

// The success reply that carries `value`, as the codec writes it.
Bytes SuccessReply(const EncodableValue& value) {
  return flutter::CodecForSerializer().EncodeSuccessReply(&value);
}

// The road on the recording fake engine, which checks every engine rule the
// host must keep, and on the benchmark's spooler.
class ChannelRoadTest : public ::testing::Test {
 protected:
  std::vector<Bytes> Call(const Bytes& message) {
    return engine_.ResponsesTo(engine_.DeliverMessage(kCashDrawerChannelName, message));
  }

  kestro_testing::FakeEngine engine_;
  BenchSpooler spooler_;
  ChannelRoad road_{&spooler_};
};

TEST_F(ChannelRoadTest, ListPrintersAnswersTheFivePrinters) {
  EXPECT_EQ(Call(ListPrintersMessage()), std::vector<Bytes>{SuccessReply(ExpectedPrinterList())});
  EXPECT_EQ(ExpectedPrinterList().Get<flutter::ValueList>().size(), 5u);
  EXPECT_TRUE(spooler_.last_written().empty());
  EXPECT_TRUE(engine_.Problems().empty());
}

TEST_F(ChannelRoadTest, OpenDrawerKicksTheReceiptPrintersDrawer) {
  EXPECT_EQ(Call(OpenDrawerMessage()),
            std::vector<Bytes>{SuccessReply(ExpectedOpenDrawerResult())});
  EXPECT_EQ(spooler_.last_written(), ExpectedDrawerCommand());
  EXPECT_EQ(spooler_.last_opened(), u"Receipt Printer");
  EXPECT_EQ(spooler_.open_printers(), 0);
  EXPECT_TRUE(engine_.Problems().empty());
}

// The spooler reuses its room from job to job; every call gets the whole
// answer again, whatever came before it.
TEST_F(ChannelRoadTest, RepeatedCallsGetTheSameAnswers) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Call(OpenDrawerMessage()),
              std::vector<Bytes>{SuccessReply(ExpectedOpenDrawerResult())});
    EXPECT_EQ(Call(ListPrintersMessage()), std::vector<Bytes>{SuccessReply(ExpectedPrinterList())});
  }
  EXPECT_EQ(spooler_.last_written(), ExpectedDrawerCommand());
  EXPECT_EQ(spooler_.open_printers(), 0);
  EXPECT_TRUE(engine_.Problems().empty());
}

TEST_F(ChannelRoadTest, AnUnknownMethodGetsTheEmptyReply) {
  const flutter::MethodCall call("closeDrawer", nullptr);
  EXPECT_EQ(Call(flutter::CodecForSerializer().EncodeCall(call)), std::vector<Bytes>{Bytes{}});
}

}  // namespace
}  // namespace kestro::bench
