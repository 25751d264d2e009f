#include "embedding/reply_holder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codec/testing/stderr_capture.h"

namespace flutter {
namespace {

using kestro_testing::StderrCapture;

constexpr char kDuplicateResult[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.";
constexpr char kUnanswered[] = "Warning: Failed to respond to a message. This is a memory leak.";

// What one call of a reply callback received.
struct Received {
  bool null_data;
  std::vector<uint8_t> bytes;
};

// A reply callback that records each call into `received`, and whose
// captured `alive` token shows whether the callable still exists.
ReplyCallback Recorder(std::vector<Received>* received, std::shared_ptr<int> alive) {
  return [received, alive](const uint8_t* data, size_t size) {
    received->push_back({data == nullptr, data ? std::vector<uint8_t>(data, data + size)
                                               : std::vector<uint8_t>(size, 0xEE)});
  };
}

struct SendOnceCase {
  const char* label;
  std::optional<std::vector<uint8_t>> reply;
  bool null_data;
  std::vector<uint8_t> bytes;
};

TEST(ReplyHolder, SendOncePassesPointerAndSizeOfTheReply) {
  const SendOnceCase cases[] = {
      {"no vector: null pointer, size 0", std::nullopt, true, {}},
      {"empty vector: null pointer, size 0", std::vector<uint8_t>{}, true, {}},
      {"bytes as they are", std::vector<uint8_t>{0x00, 0x01, 0xFF}, false, {0x00, 0x01, 0xFF}},
  };
  for (const SendOnceCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<Received> received;
    StderrCapture stderr_capture;
    {
      ReplyHolder holder(Recorder(&received, nullptr));
      holder.SendOnce(c.reply ? &*c.reply : nullptr);
    }
    EXPECT_TRUE(stderr_capture.TakeLines().empty());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].null_data, c.null_data);
    EXPECT_EQ(received[0].bytes, c.bytes);
  }
}

TEST(ReplyHolder, SecondSendIsRefusedWithOneLineAndTheFirstStands) {
  std::vector<Received> received;
  StderrCapture stderr_capture;
  {
    ReplyHolder holder(Recorder(&received, nullptr));
    std::vector<uint8_t> first = {1};
    std::vector<uint8_t> second = {2};
    holder.SendOnce(&first);
    holder.SendOnce(&second);
  }
  EXPECT_EQ(stderr_capture.TakeLines(), std::vector<std::string>{kDuplicateResult});
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].bytes, std::vector<uint8_t>{1});
}

TEST(ReplyHolder, CallableIsDestroyedRightAfterItsOneUse) {
  std::vector<Received> received;
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  ReplyHolder holder(Recorder(&received, std::move(alive)));
  ASSERT_FALSE(watch.expired());
  holder.SendOnce(nullptr);
  EXPECT_TRUE(watch.expired());
}

TEST(ReplyHolder, UnusedReplyIsReportedOnceAndDroppedUnsent) {
  std::vector<Received> received;
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  StderrCapture stderr_capture;
  { ReplyHolder holder(Recorder(&received, std::move(alive))); }
  EXPECT_EQ(stderr_capture.TakeLines(), std::vector<std::string>{kUnanswered});
  EXPECT_TRUE(received.empty());
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace flutter
