#include "embedding/method_call_channel.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "codec/testing/stderr_capture.h"
#include "embedding/testing/recording_codec.h"

namespace flutter {
namespace {

using kestro_testing::RecordingCodec;
using kestro_testing::StderrCapture;
using kestro_testing::TextBytes;

constexpr char kChannel[] = "kestro/cash_drawer";

// A BinaryMessenger that stores handlers and lets a test deliver messages
// to them and collect the replies.
class MessengerDouble : public BinaryMessenger {
 public:
  void Send(const std::string&, const uint8_t*, size_t, ReplyCallback) const override {
    ADD_FAILURE() << "a method channel never sends";
  }

  void SetChannelHandler(const std::string& channel, ChannelHandler handler) override {
    installs.push_back(channel + (handler ? " <- handler" : " <- none"));
    if (handler) {
      handlers[channel] = std::move(handler);
    } else {
      handlers.erase(channel);
    }
  }

  // Delivers `message` on `channel`; false when no handler is installed.
  bool Deliver(const std::string& channel, const std::string& message) {
    auto found = handlers.find(channel);
    if (found == handlers.end()) return false;
    std::vector<uint8_t> bytes = TextBytes(message);
    found->second(bytes.data(), bytes.size(), [this](const uint8_t* data, size_t size) {
      replies.push_back(data == nullptr ? "<null>/" + std::to_string(size)
                                        : std::string(reinterpret_cast<const char*>(data), size));
    });
    return true;
  }

  std::vector<std::string> installs;
  std::map<std::string, ChannelHandler> handlers;
  std::vector<std::string> replies;
};

class MethodCallChannelTest : public ::testing::Test {
 protected:
  // A call handler that records the method name and answers with success.
  CallHandler AnsweringHandler(const std::string& tag) {
    return [this, tag](const MethodCall& call, std::unique_ptr<MethodResult> result) {
      calls_.push_back(tag + ":" + call.method_name());
      result->Success(EncodableValue(true));
    };
  }

  MessengerDouble messenger_;
  RecordingCodec codec_;
  std::vector<std::string> calls_;
};

TEST_F(MethodCallChannelTest, ConstructionRegistersNothing) {
  MethodCallChannel channel(&messenger_, kChannel, &codec_);
  EXPECT_TRUE(messenger_.installs.empty());
}

// The channel does not filter methods: unknown ones reach the handler too.
TEST_F(MethodCallChannelTest, EachCallReachesTheHandlerOnceWithAFreshResult) {
  MethodCallChannel channel(&messenger_, kChannel, &codec_);
  channel.SetCallHandler(AnsweringHandler("h"));

  StderrCapture stderr_capture;
  ASSERT_TRUE(messenger_.Deliver(kChannel, "ClistPrinters"));
  ASSERT_TRUE(messenger_.Deliver(kChannel, "CnoSuchMethod"));

  EXPECT_EQ(messenger_.installs, std::vector<std::string>{"kestro/cash_drawer <- handler"});
  EXPECT_EQ(calls_, (std::vector<std::string>{"h:listPrinters", "h:noSuchMethod"}));
  // A reused result would have refused the second answer with a line.
  EXPECT_EQ(messenger_.replies, (std::vector<std::string>{"S1", "S1"}));
  EXPECT_TRUE(stderr_capture.TakeLines().empty());
}

struct UndecodableCase {
  const char* label;
  std::string message;
};

TEST_F(MethodCallChannelTest, UndecodableMessageGetsOneLineAndAnEmptyReply) {
  const UndecodableCase cases[] = {{"not a call", "Xjunk"}, {"empty message", ""}};
  for (const UndecodableCase& c : cases) {
    SCOPED_TRACE(c.label);
    messenger_.replies.clear();
    calls_.clear();
    MethodCallChannel channel(&messenger_, kChannel, &codec_);
    channel.SetCallHandler(AnsweringHandler("h"));

    StderrCapture stderr_capture;
    ASSERT_TRUE(messenger_.Deliver(kChannel, c.message));
    EXPECT_EQ(stderr_capture.TakeLines(),
              std::vector<std::string>{
                  "Unable to construct method call from message on channel kestro/cash_drawer"});
    EXPECT_EQ(messenger_.replies, std::vector<std::string>{"<null>/0"});
    EXPECT_TRUE(calls_.empty());
  }
}

TEST_F(MethodCallChannelTest, SecondHandlerReplacesTheFirst) {
  MethodCallChannel channel(&messenger_, kChannel, &codec_);
  channel.SetCallHandler(AnsweringHandler("first"));
  channel.SetCallHandler(AnsweringHandler("second"));
  ASSERT_TRUE(messenger_.Deliver(kChannel, "CopenDrawer"));
  EXPECT_EQ(calls_, std::vector<std::string>{"second:openDrawer"});
}

TEST_F(MethodCallChannelTest, EmptyHandlerRemovesTheChannelsHandler) {
  MethodCallChannel channel(&messenger_, kChannel, &codec_);
  channel.SetCallHandler(AnsweringHandler("h"));
  channel.SetCallHandler(nullptr);
  EXPECT_EQ(messenger_.installs, (std::vector<std::string>{"kestro/cash_drawer <- handler",
                                                           "kestro/cash_drawer <- none"}));
  EXPECT_FALSE(messenger_.Deliver(kChannel, "ClistPrinters"));
}

// The dispatcher holds its own copies of the handler and the name.
TEST_F(MethodCallChannelTest, InstalledHandlerOutlivesTheChannelObject) {
  {
    auto name = std::make_unique<std::string>(kChannel);
    MethodCallChannel channel(&messenger_, *name, &codec_);
    channel.SetCallHandler(AnsweringHandler("h"));
  }
  ASSERT_TRUE(messenger_.Deliver(kChannel, "ClistPrinters"));
  EXPECT_EQ(calls_, std::vector<std::string>{"h:listPrinters"});

  StderrCapture stderr_capture;
  ASSERT_TRUE(messenger_.Deliver(kChannel, "?"));
  EXPECT_EQ(stderr_capture.TakeLines(),
            std::vector<std::string>{
                "Unable to construct method call from message on channel kestro/cash_drawer"});
}

TEST_F(MethodCallChannelTest, ResultKeptByTheHandlerAnswersLater) {
  std::unique_ptr<MethodResult> kept;
  MethodCallChannel channel(&messenger_, kChannel, &codec_);
  channel.SetCallHandler([&kept](const MethodCall&, std::unique_ptr<MethodResult> result) {
    kept = std::move(result);
  });
  ASSERT_TRUE(messenger_.Deliver(kChannel, "CopenDrawer"));
  EXPECT_TRUE(messenger_.replies.empty());

  kept->Error("busy", "later", nullptr);
  kept.reset();
  EXPECT_EQ(messenger_.replies, std::vector<std::string>{"Ebusy|later|-"});
}

TEST_F(MethodCallChannelTest, HandlerThatDropsItsResultLeavesTheCallUnanswered) {
  MethodCallChannel channel(&messenger_, kChannel, &codec_);
  channel.SetCallHandler([](const MethodCall&, std::unique_ptr<MethodResult>) {});
  StderrCapture stderr_capture;
  ASSERT_TRUE(messenger_.Deliver(kChannel, "CopenDrawer"));
  EXPECT_EQ(
      stderr_capture.TakeLines(),
      std::vector<std::string>{"Warning: Failed to respond to a message. This is a memory leak."});
  EXPECT_TRUE(messenger_.replies.empty());
}

}  // namespace
}  // namespace flutter
