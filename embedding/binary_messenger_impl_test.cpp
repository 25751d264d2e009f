#include "embedding/binary_messenger_impl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/testing/stderr_capture.h"
#include "embedding/testing/fake_engine.h"

namespace flutter {
namespace {

using kestro_testing::FakeEngine;
using kestro_testing::StderrCapture;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kDuplicateResponse[] =
    "Error: Response can be set only once. Ignoring duplicate response.";

// A messenger over an engine of the fake, which the fixture ends before the
// messenger goes, as the view controller does.
class BinaryMessengerImplTest : public ::testing::Test {
 protected:
  BinaryMessengerImplTest() {
    FlutterDesktopEngineProperties properties = {};
    engine_ = FlutterDesktopEngineCreate(&properties);
    messenger_ = std::make_unique<BinaryMessengerImpl>(FlutterDesktopEngineGetMessenger(engine_));
    fake_.ClearCalls();
  }

  ~BinaryMessengerImplTest() override {
    kept_reply_ = nullptr;
    FlutterDesktopEngineDestroy(engine_);
    messenger_.reset();
    EXPECT_THAT(fake_.Problems(), IsEmpty());
  }

  // A handler that records the message and hands the reply to `respond`.
  ChannelHandler Handler(std::function<void(ReplyCallback&)> respond) {
    return [this, respond](const uint8_t* message, size_t size, ReplyCallback reply) {
      received_.push_back(std::string(reinterpret_cast<const char*>(message), size));
      respond(reply);
    };
  }

  static void AnswerOk(ReplyCallback& reply) {
    const uint8_t ok[] = {'o', 'k'};
    reply(ok, sizeof(ok));
  }

  FakeEngine fake_;
  FlutterDesktopEngineRef engine_ = nullptr;
  std::unique_ptr<BinaryMessengerImpl> messenger_;
  std::vector<std::string> received_;
  ReplyCallback kept_reply_;
};

TEST_F(BinaryMessengerImplTest, ConstructionRegistersNothing) {
  BinaryMessengerImpl other(FlutterDesktopEngineGetMessenger(engine_));
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopEngineGetMessenger(engine#1)"));
}

TEST_F(BinaryMessengerImplTest, OneAnsweredMessageTakesTheEngineCallsInOrder) {
  messenger_->SetChannelHandler("c", Handler(&AnswerOk));
  fake_.ClearCalls();
  int message = fake_.DeliverMessage("c", {'h', 'i'});

  EXPECT_THAT(received_, ElementsAre("hi"));
  EXPECT_THAT(fake_.ResponsesTo(message), ElementsAre(std::vector<uint8_t>{'o', 'k'}));
  EXPECT_THAT(fake_.calls(),
              ElementsAre("FlutterDesktopMessengerAddRef(messenger#1)",
                          "FlutterDesktopMessengerLock(messenger#1)",
                          "FlutterDesktopMessengerIsAvailable(messenger#1)",
                          "FlutterDesktopMessengerSendResponse(messenger#1, message#1, 2 bytes)",
                          "FlutterDesktopMessengerUnlock(messenger#1)",
                          "FlutterDesktopMessengerRelease(messenger#1)"));
}

enum class Behaviour {
  kAnswerOnce,
  kAnswerTwice,
  kAnswerThroughTwoCopies,
  kNeverAnswer,
  kAnswerLater,
  kAnswerAfterEngineGone
};

struct ResponseCase {
  const char* label;
  Behaviour behaviour;
  size_t responses;
  std::vector<std::string> lines;
};

// At most one response per message, whatever the handler does, and the
// messenger reference is always released (checked by the fixture).
TEST_F(BinaryMessengerImplTest, AtMostOneResponsePerMessageWhateverTheHandlerDoes) {
  const ResponseCase cases[] = {
      {"answers once", Behaviour::kAnswerOnce, 1, {}},
      {"answers twice", Behaviour::kAnswerTwice, 1, {kDuplicateResponse}},
      {"answers through a copy, then the original",
       Behaviour::kAnswerThroughTwoCopies,
       1,
       {kDuplicateResponse}},
      {"never answers and drops the reply", Behaviour::kNeverAnswer, 0, {}},
      {"keeps the reply and answers later", Behaviour::kAnswerLater, 1, {}},
      {"answers after the engine has gone", Behaviour::kAnswerAfterEngineGone, 0, {}},
  };
  for (const ResponseCase& c : cases) {
    SCOPED_TRACE(c.label);
    fake_.SetMessengerAvailable(true);
    bool keep =
        c.behaviour == Behaviour::kAnswerLater || c.behaviour == Behaviour::kAnswerAfterEngineGone;
    messenger_->SetChannelHandler("c", Handler([&](ReplyCallback& reply) {
                                    if (keep) kept_reply_ = std::move(reply);
                                    if (c.behaviour == Behaviour::kAnswerOnce) AnswerOk(reply);
                                    if (c.behaviour == Behaviour::kAnswerTwice) {
                                      AnswerOk(reply);
                                      AnswerOk(reply);
                                    }
                                    if (c.behaviour == Behaviour::kAnswerThroughTwoCopies) {
                                      ReplyCallback copy = reply;
                                      AnswerOk(copy);
                                      AnswerOk(reply);
                                    }
                                  }));
    StderrCapture stderr_capture;
    int message = fake_.DeliverMessage("c", {});
    if (c.behaviour == Behaviour::kAnswerAfterEngineGone) fake_.SetMessengerAvailable(false);
    if (keep) {
      AnswerOk(kept_reply_);
      kept_reply_ = nullptr;
    }
    EXPECT_EQ(fake_.ResponsesTo(message).size(), c.responses);
    EXPECT_EQ(stderr_capture.TakeLines(), c.lines);
    EXPECT_THAT(fake_.Problems(), IsEmpty());
  }
}

TEST_F(BinaryMessengerImplTest, NullLockIsNeverUnlockedAndTheResponseStillGoes) {
  fake_.set_null_lock(true);
  messenger_->SetChannelHandler("c", Handler(&AnswerOk));
  fake_.ClearCalls();
  int message = fake_.DeliverMessage("c", {'x'});
  EXPECT_EQ(fake_.ResponsesTo(message).size(), 1u);
  for (const std::string& call : fake_.calls()) {
    EXPECT_EQ(call.find("FlutterDesktopMessengerUnlock"), std::string::npos) << call;
  }
}

TEST_F(BinaryMessengerImplTest, EmptyMessageReachesTheHandlerWithSizeZero) {
  size_t seen_size = 99;
  messenger_->SetChannelHandler("c", [&](const uint8_t*, size_t size, ReplyCallback reply) {
    seen_size = size;
    AnswerOk(reply);
  });
  fake_.DeliverMessage("c", {});
  EXPECT_EQ(seen_size, 0u);
}

TEST_F(BinaryMessengerImplTest, SettingTwiceKeepsOneEntryAtOneAddress) {
  messenger_->SetChannelHandler("c", Handler([](ReplyCallback& reply) {
                                  const uint8_t first[] = {'1'};
                                  reply(first, 1);
                                }));
  void* first_address = fake_.CallbackUserData("c");
  messenger_->SetChannelHandler("c", Handler(&AnswerOk));
  EXPECT_EQ(fake_.CallbackUserData("c"), first_address);

  int message = fake_.DeliverMessage("c", {'m'});
  EXPECT_THAT(fake_.ResponsesTo(message), ElementsAre(std::vector<uint8_t>{'o', 'k'}));
  EXPECT_THAT(received_, ElementsAre("m"));
}

TEST_F(BinaryMessengerImplTest, RemovingErasesTheHandlerBeforeClearingTheEngineCallback) {
  auto marker = fake_.DropMarker("old handler destroyed");
  messenger_->SetChannelHandler("c", [marker](const uint8_t*, size_t, ReplyCallback) {});
  marker.reset();
  fake_.ClearCalls();

  messenger_->SetChannelHandler("c", nullptr);
  messenger_->SetChannelHandler("never-set", nullptr);

  EXPECT_THAT(fake_.calls(),
              ElementsAre("old handler destroyed",
                          "FlutterDesktopMessengerSetCallback(messenger#1, \"c\", null, null)",
                          "FlutterDesktopMessengerSetCallback(messenger#1, \"never-set\", null, "
                          "null)"));
  EXPECT_EQ(fake_.DeliverMessage("c", {}), 0);
}

TEST_F(BinaryMessengerImplTest, NamesAreExactByteStrings) {
  messenger_->SetChannelHandler("Chan", Handler([](ReplyCallback& reply) {
                                  const uint8_t upper[] = {'U'};
                                  reply(upper, 1);
                                }));
  messenger_->SetChannelHandler("chan", Handler([](ReplyCallback& reply) {
                                  const uint8_t lower[] = {'l'};
                                  reply(lower, 1);
                                }));
  messenger_->SetChannelHandler("chan\xc3\xa9", Handler(&AnswerOk));
  messenger_->SetChannelHandler("Chan", nullptr);

  EXPECT_EQ(fake_.DeliverMessage("Chan", {}), 0);
  int lower = fake_.DeliverMessage("chan", {});
  EXPECT_THAT(fake_.ResponsesTo(lower), ElementsAre(std::vector<uint8_t>{'l'}));
  int accented = fake_.DeliverMessage("chan\xc3\xa9", {});
  EXPECT_THAT(fake_.ResponsesTo(accented), ElementsAre(std::vector<uint8_t>{'o', 'k'}));
}

TEST_F(BinaryMessengerImplTest, SendWithoutReplyNeverAsksForOne) {
  const uint8_t bytes[] = {1, 2, 3};
  messenger_->Send("out", bytes, sizeof(bytes), nullptr);
  EXPECT_THAT(fake_.calls(),
              ElementsAre("FlutterDesktopMessengerSend(messenger#1, \"out\", 3 bytes)"));
  ASSERT_EQ(fake_.sent_messages().size(), 1u);
  EXPECT_EQ(fake_.sent_messages()[0].message, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(BinaryMessengerImplTest, AcceptedSendCallsTheReplyOnceWithTheAnswer) {
  std::vector<std::string> answers;
  auto marker = fake_.DropMarker("reply holder freed");
  messenger_->Send("out", nullptr, 0, [&answers, marker](const uint8_t* data, size_t size) {
    answers.push_back(std::string(reinterpret_cast<const char*>(data), size));
  });
  marker.reset();
  EXPECT_TRUE(fake_.AnswerSentMessage(0, {'y', 'e', 's'}));
  EXPECT_FALSE(fake_.AnswerSentMessage(0, {'n', 'o'}));
  EXPECT_THAT(answers, ElementsAre("yes"));
  EXPECT_EQ(fake_.calls().back(), "reply holder freed");
}

TEST_F(BinaryMessengerImplTest, RefusedSendFreesTheReplyAtOnceWithoutCallingIt) {
  fake_.set_refuse_send_with_reply(true);
  bool called = false;
  auto marker = fake_.DropMarker("reply holder freed");
  StderrCapture stderr_capture;
  messenger_->Send("out", nullptr, 0, [&called, marker](const uint8_t*, size_t) { called = true; });
  marker.reset();
  EXPECT_THAT(fake_.calls(), ElementsAre("FlutterDesktopMessengerSendWithReply(messenger#1, "
                                         "\"out\", 0 bytes, callback, data)",
                                         "reply holder freed"));
  EXPECT_FALSE(called);
  EXPECT_THAT(stderr_capture.TakeLines(), IsEmpty());
}

// The engine has ended by then, so the engine is not told.
TEST_F(BinaryMessengerImplTest, DestructionDropsHandlersWithoutTellingTheEngine) {
  auto marker = fake_.DropMarker("handler destroyed");
  messenger_->SetChannelHandler("c", [marker](const uint8_t*, size_t, ReplyCallback) {});
  marker.reset();
  FlutterDesktopEngineDestroy(engine_);
  fake_.ClearCalls();
  messenger_.reset();
  EXPECT_THAT(fake_.calls(), ElementsAre("handler destroyed"));
  engine_ = nullptr;
}

}  // namespace
}  // namespace flutter
