#include "bench/channel_road.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/method_call.h"
#include "codec/standard_method_codec.h"
#include "codec/testing/value_printer.h"

namespace kestro::bench {
namespace {

using flutter::EncodableValue;
using Bytes = std::vector<uint8_t>;

// The success reply that carries `value`, as the codec writes it.
Bytes SuccessReply(const EncodableValue& value) {
  return flutter::CodecForSerializer().EncodeSuccessReply(&value);
}

TEST(ChannelRoad, ListPrintersAnswersTheFivePrinters) {
  ChannelRoad road;
  EXPECT_EQ(road.Call(ListPrintersMessage()),
            std::vector<Bytes>{SuccessReply(ExpectedPrinterList())});
  EXPECT_EQ(ExpectedPrinterList().Get<flutter::ValueList>().size(), 5u);
  EXPECT_TRUE(road.spooler().written_bytes().empty());
  EXPECT_TRUE(road.Problems().empty());
}

TEST(ChannelRoad, OpenDrawerKicksTheReceiptPrintersDrawer) {
  ChannelRoad road;
  EXPECT_EQ(road.Call(OpenDrawerMessage()),
            std::vector<Bytes>{SuccessReply(ExpectedOpenDrawerResult())});
  EXPECT_EQ(road.spooler().written_bytes(), ExpectedDrawerCommand());
  EXPECT_EQ(road.spooler().opened_names(), std::vector<std::u16string>{u"Receipt Printer"});
  EXPECT_EQ(road.spooler().open_printers(), 0);
  EXPECT_TRUE(road.Problems().empty());
}

TEST(ChannelRoad, AnUnknownMethodGetsTheEmptyReply) {
  ChannelRoad road;
  const flutter::MethodCall call("closeDrawer", nullptr);
  EXPECT_EQ(road.Call(flutter::CodecForSerializer().EncodeCall(call)), std::vector<Bytes>{Bytes{}});
}

TEST(ChannelRoad, RecycleForgetsRecordsAndTheRoadGoesOn) {
  ChannelRoad road;
  for (int i = 0; i < 3; ++i) road.Deliver(OpenDrawerMessage());
  const Bytes command = ExpectedDrawerCommand();
  Bytes three_commands;
  for (int i = 0; i < 3; ++i)
    three_commands.insert(three_commands.end(), command.begin(), command.end());
  EXPECT_EQ(road.spooler().written_bytes(), three_commands);

  road.Recycle();
  EXPECT_TRUE(road.spooler().written_bytes().empty());
  EXPECT_TRUE(road.spooler().calls().empty());
  EXPECT_EQ(road.spooler().printers.size(), 5u);
  EXPECT_EQ(road.Call(OpenDrawerMessage()),
            std::vector<Bytes>{SuccessReply(ExpectedOpenDrawerResult())});
  EXPECT_TRUE(road.Problems().empty());
}

TEST(ChannelRoad, RoadsFollowOneAnother) {
  { ChannelRoad first; }
  ChannelRoad second;
  EXPECT_EQ(second.Call(ListPrintersMessage()).size(), 1u);
}

}  // namespace
}  // namespace kestro::bench
