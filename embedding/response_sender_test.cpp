// Replies answered off the UI thread: late ones, while the UI thread tears the
// engine down, and copies of one reply racing each other. Run under
// ThreadSanitizer with the messaging tests.

#include "embedding/response_sender.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "codec/testing/stderr_capture.h"
#include "embedding/flutter_view_controller.h"
#include "embedding/method_call_channel.h"
#include "embedding/testing/fake_engine.h"
#include "embedding/testing/recording_codec.h"

namespace flutter {
namespace {

using kestro_testing::FakeEngine;
using kestro_testing::RecordingCodec;
using kestro_testing::StderrCapture;
using kestro_testing::TextBytes;
using ::testing::IsEmpty;

constexpr char kChannel[] = "kestro/cash_drawer";
constexpr int kRounds = 200;

// Installs on `messenger` a handler that keeps the incoming message's answer
// and returns the function that gives it, later, from any thread.
using KeepAnswer =
    std::function<std::function<void()>*(BinaryMessenger* messenger, const MethodCodec* codec)>;

struct LateReplyCase {
  const char* label;
  KeepAnswer keep;
  std::vector<uint8_t> response;
};

TEST(LateReply, FromAnotherThreadWhileTheEngineIsTornDown) {
  auto kept_answer = std::make_shared<std::function<void()>>();
  const LateReplyCase cases[] = {
      {"method result kept by the call handler",
       [kept_answer](BinaryMessenger* messenger, const MethodCodec* codec) {
         MethodCallChannel channel(messenger, kChannel, codec);
         channel.SetCallHandler(
             [kept_answer](const MethodCall&, std::unique_ptr<MethodResult> result) {
               std::shared_ptr<MethodResult> shared(std::move(result));
               *kept_answer = [shared] { shared->Success(EncodableValue(true)); };
             });
         return kept_answer.get();
       },
       TextBytes("S1")},
      {"reply callback kept by the channel handler",
       [kept_answer](BinaryMessenger* messenger, const MethodCodec*) {
         messenger->SetChannelHandler(kChannel,
                                      [kept_answer](const uint8_t*, size_t, ReplyCallback reply) {
                                        *kept_answer = [reply]() mutable {
                                          const uint8_t late[] = {'L'};
                                          reply(late, 1);
                                        };
                                      });
         return kept_answer.get();
       },
       TextBytes("L")},
  };
  for (const LateReplyCase& c : cases) {
    SCOPED_TRACE(c.label);
    StderrCapture stderr_capture;
    int answered = 0;
    for (int round = 0; round < kRounds; ++round) {
      FakeEngine fake;
      fake.set_recording(false);
      RecordingCodec codec;
      auto controller = std::make_unique<FlutterViewController>(800, 600, DartBundle(u"data"));
      std::function<void()>* answer = c.keep(controller->GetEngine()->GetMessenger(), &codec);
      int message = fake.DeliverMessage(kChannel, TextBytes("CopenDrawer"));

      std::atomic<bool> ready{false};
      std::atomic<bool> go{false};
      std::thread replier([&ready, &go, late = std::move(*answer)]() mutable {
        ready = true;
        while (!go) std::this_thread::yield();
        late();
        late = nullptr;
      });
      *answer = nullptr;
      while (!ready) std::this_thread::yield();
      go = true;
      // A growing head start for the replier, so that both orders occur.
      for (volatile int spin = 0; spin < round * 200; spin = spin + 1) {
      }
      controller.reset();
      replier.join();

      std::vector<std::vector<uint8_t>> responses = fake.ResponsesTo(message);
      ASSERT_LE(responses.size(), 1u) << "round " << round;
      if (!responses.empty()) {
        EXPECT_EQ(responses[0], c.response);
      }
      answered += static_cast<int>(responses.size());
      ASSERT_THAT(fake.Problems(), IsEmpty()) << "round " << round;
    }
    // A reply that lost the race was dropped silently.
    EXPECT_THAT(stderr_capture.TakeLines(), IsEmpty());
    std::printf("%s: %d of %d rounds answered before the engine went\n", c.label, answered,
                kRounds);
  }
}

// Two copies of one reply, answered at the same moment from two threads: the
// engine gets one response, and the copy that lost reports the duplicate.
TEST(CopiedReply, CopiesRacingOnTwoThreadsSendOneResponse) {
  FakeEngine fake;
  fake.set_recording(false);
  auto controller = std::make_unique<FlutterViewController>(800, 600, DartBundle(u"data"));
  ReplyCallback kept;
  controller->GetEngine()->GetMessenger()->SetChannelHandler(
      kChannel, [&kept](const uint8_t*, size_t, ReplyCallback reply) { kept = std::move(reply); });
  StderrCapture stderr_capture;
  for (int round = 0; round < kRounds; ++round) {
    int message = fake.DeliverMessage(kChannel, TextBytes("m"));
    std::atomic<int> ready{0};
    auto answer = [&ready](ReplyCallback reply) {
      ++ready;
      while (ready < 2) std::this_thread::yield();
      const uint8_t bytes[] = {'A'};
      reply(bytes, sizeof(bytes));
    };
    ReplyCallback copy = kept;
    std::thread first(answer, std::move(copy));
    std::thread second(answer, std::move(kept));
    kept = nullptr;
    first.join();
    second.join();
    ASSERT_EQ(fake.ResponsesTo(message).size(), 1u) << "round " << round;
  }
  EXPECT_EQ(stderr_capture.TakeLines(),
            std::vector<std::string>(
                kRounds, "Error: Response can be set only once. Ignoring duplicate response."));
  controller.reset();
  EXPECT_THAT(fake.Problems(), IsEmpty());
}

}  // namespace
}  // namespace flutter
