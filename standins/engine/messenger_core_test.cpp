#include "standins/engine/messenger_core.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace {

// One call of a channel callback, as the host would see it.
struct Seen {
  FlutterDesktopMessengerRef messenger = nullptr;
  std::vector<uint8_t> bytes;
  const FlutterDesktopMessageResponse* handle = nullptr;
  void* user_data = nullptr;
};

std::vector<Seen>* g_seen = nullptr;

void RecordMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                   void* user_data) {
  Seen seen;
  seen.messenger = messenger;
  if (message->message != nullptr) {
    seen.bytes.assign(message->message, message->message + message->message_size);
  }
  seen.handle = message->response_handle;
  seen.user_data = user_data;
  g_seen->push_back(std::move(seen));
}

class MessengerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = &seen_;
    messenger_ = FlutterDesktopMessenger::Create();
    messenger_->Attach(
        [this](uint64_t id, std::vector<uint8_t> reply) {
          responses_.emplace_back(id, std::move(reply));
        },
        nullptr);
  }
  void TearDown() override {
    messenger_->Release();
    g_seen = nullptr;
  }

  FlutterDesktopMessenger* messenger_ = nullptr;
  std::vector<Seen> seen_;
  std::vector<std::pair<uint64_t, std::vector<uint8_t>>> responses_;
  int user_data_ = 0;
};

TEST_F(MessengerTest, DeliversToTheChannelCallbackWithItsUserData) {
  messenger_->SetCallback("kestro/cash_drawer", &RecordMessage, &user_data_);
  const uint8_t bytes[] = {7, 3, 'a', 'b', 'c'};
  ASSERT_TRUE(messenger_->Deliver("kestro/cash_drawer", bytes, sizeof bytes, 1));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].messenger, messenger_);
  EXPECT_EQ(seen_[0].bytes, std::vector<uint8_t>(bytes, bytes + sizeof bytes));
  EXPECT_EQ(seen_[0].user_data, &user_data_);
  EXPECT_NE(seen_[0].handle, nullptr);
}

TEST_F(MessengerTest, ChannelNamesAreExactAndRemovableWithNull) {
  messenger_->SetCallback("kestro/cash_drawer", &RecordMessage, nullptr);
  EXPECT_FALSE(messenger_->Deliver("Kestro/cash_drawer", nullptr, 0, 1));
  EXPECT_TRUE(messenger_->Deliver("kestro/cash_drawer", nullptr, 0, 2));
  messenger_->SetCallback("kestro/cash_drawer", nullptr, nullptr);
  EXPECT_FALSE(messenger_->Deliver("kestro/cash_drawer", nullptr, 0, 3));
  EXPECT_FALSE(messenger_->HasCallback("kestro/cash_drawer"));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_TRUE(seen_[0].bytes.empty());
}

TEST_F(MessengerTest, ReplacingACallbackReplacesItsUserData) {
  int other = 0;
  messenger_->SetCallback("c", &RecordMessage, &user_data_);
  messenger_->SetCallback("c", &RecordMessage, &other);
  ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, 1));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].user_data, &other);
}

TEST_F(MessengerTest, EachHandleAnswersOnceAndOnlyForItsOwnMessage) {
  messenger_->SetCallback("c", &RecordMessage, nullptr);
  ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, 41));
  ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, 42));
  const uint8_t second[] = {0, 1};
  const uint8_t first[] = {9};
  messenger_->SendResponse(seen_[1].handle, second, sizeof second);
  messenger_->SendResponse(seen_[0].handle, first, sizeof first);
  messenger_->SendResponse(seen_[0].handle, second, sizeof second);
  ASSERT_EQ(responses_.size(), 2u);
  EXPECT_EQ(responses_[0].first, 42u);
  EXPECT_EQ(responses_[0].second, std::vector<uint8_t>({0, 1}));
  EXPECT_EQ(responses_[1].first, 41u);
  EXPECT_EQ(responses_[1].second, std::vector<uint8_t>({9}));
  EXPECT_EQ(messenger_->duplicate_responses(), 1);
}

TEST_F(MessengerTest, AnEmptyAnswerArrivesAsZeroBytes) {
  messenger_->SetCallback("c", &RecordMessage, nullptr);
  ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, 5));
  messenger_->SendResponse(seen_[0].handle, nullptr, 0);
  ASSERT_EQ(responses_.size(), 1u);
  EXPECT_TRUE(responses_[0].second.empty());
}

TEST_F(MessengerTest, AHandleItDidNotGiveOutIsIgnored) {
  FlutterDesktopMessageResponse stranger;
  messenger_->SendResponse(&stranger, nullptr, 0);
  messenger_->SendResponse(nullptr, nullptr, 0);
  EXPECT_TRUE(responses_.empty());
  EXPECT_EQ(messenger_->foreign_responses(), 2);
}

TEST_F(MessengerTest, DetachedMessengerIsUnavailableAndDropsAnswers) {
  messenger_->SetCallback("c", &RecordMessage, nullptr);
  ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, 1));
  EXPECT_TRUE(messenger_->IsAvailable());
  messenger_->Detach();
  EXPECT_FALSE(messenger_->IsAvailable());
  messenger_->SendResponse(seen_[0].handle, nullptr, 0);
  EXPECT_TRUE(responses_.empty());
  EXPECT_FALSE(messenger_->Deliver("c", nullptr, 0, 2));
}

TEST_F(MessengerTest, ReferencesKeepTheMessengerUntilTheLastRelease) {
  EXPECT_EQ(messenger_->reference_count(), 1);
  FlutterDesktopMessenger* held = messenger_->AddRef();
  EXPECT_EQ(held, messenger_);
  EXPECT_EQ(messenger_->reference_count(), 2);
  held->Release();
  EXPECT_EQ(messenger_->reference_count(), 1);
}

TEST_F(MessengerTest, MessagesFromTheHostGoToTheOutgoingSinkWhileAvailable) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> outgoing;
  messenger_->Attach(nullptr, [&](const std::string& channel, std::vector<uint8_t> message,
                                  FlutterDesktopBinaryReply, void*) {
    outgoing.emplace_back(channel, std::move(message));
    return true;
  });
  const uint8_t bytes[] = {1, 2};
  EXPECT_TRUE(messenger_->SendFromHost("app", bytes, sizeof bytes, nullptr, nullptr));
  messenger_->Detach();
  EXPECT_FALSE(messenger_->SendFromHost("app", bytes, sizeof bytes, nullptr, nullptr));
  ASSERT_EQ(outgoing.size(), 1u);
  EXPECT_EQ(outgoing[0].first, "app");
  EXPECT_EQ(outgoing[0].second, std::vector<uint8_t>({1, 2}));
}

TEST_F(MessengerTest, TheLockIsRecursiveForTheAnsweringThread) {
  messenger_->SetCallback("c", &RecordMessage, nullptr);
  ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, 1));
  FlutterDesktopMessenger* lock = messenger_->Lock();
  ASSERT_EQ(lock, messenger_);
  messenger_->SendResponse(seen_[0].handle, nullptr, 0);  // takes the lock again
  lock->Unlock();
  EXPECT_EQ(responses_.size(), 1u);
}

TEST_F(MessengerTest, TheLockKeepsOtherThreadsOut) {
  std::atomic<bool> entered{false};
  FlutterDesktopMessenger* lock = messenger_->Lock();
  std::thread other([&] {
    FlutterDesktopMessenger* their_lock = messenger_->Lock();
    entered = true;
    their_lock->Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered.load());
  lock->Unlock();
  other.join();
  EXPECT_TRUE(entered.load());
}

TEST_F(MessengerTest, AnswersFromManyThreadsEachArriveOnce) {
  messenger_->SetCallback("c", &RecordMessage, nullptr);
  constexpr int kMessages = 64;
  for (int i = 0; i < kMessages; ++i) ASSERT_TRUE(messenger_->Deliver("c", nullptr, 0, i));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this] {
      // Every thread answers every message; only the first answer counts.
      for (const Seen& seen : seen_) {
        FlutterDesktopMessenger* lock = messenger_->Lock();
        if (messenger_->IsAvailable()) messenger_->SendResponse(seen.handle, nullptr, 0);
        lock->Unlock();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(responses_.size(), static_cast<size_t>(kMessages));
  EXPECT_EQ(messenger_->duplicate_responses(), 3 * kMessages);
}

}  // namespace
