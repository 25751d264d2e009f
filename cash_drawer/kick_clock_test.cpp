// The system clock of the drawer kick watch, with its waits counted through
// the clock's own seam instead of timed: a wait that should block blocks once
// on the condition variable until woken, and one that should not never does.

#include "cash_drawer/kick_clock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace kestro {
namespace {

constexpr int64_t kHourMs = 60 * 60 * 1000;

// Counts the clock's blocks and the waits that returned, and lets the test
// wait for either to reach a number. A clock that spins, blocking again and
// again under its lock, would starve the test's Wake(): past kMostBlocks the
// test program ends at once, saying so.
class WaitCounter {
 public:
  static constexpr int kMostBlocks = 100;

  void Blocked() {
    Count(&blocks_);
    if (blocks() > kMostBlocks) {
      std::fprintf(stderr, "SystemKickClock blocked more than %d times: it spins\n", kMostBlocks);
      std::abort();
    }
  }
  void Returned() { Count(&returns_); }
  // Blocks until `blocks` blocks or `returns` returns have been counted.
  void AwaitEither(int blocks, int returns) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return blocks_ >= blocks || returns_ >= returns; });
  }
  void AwaitReturns(int returns) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return returns_ >= returns; });
  }
  int blocks() {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_;
  }
  int returns() {
    std::lock_guard<std::mutex> lock(mutex_);
    return returns_;
  }

 private:
  void Count(int* count) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++*count;
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  int blocks_ = 0;
  int returns_ = 0;
};

// Two waits for each deadline in turn on another thread, each ended by
// Wake(): each blocks exactly once (no spinning after the first wake, also
// for deadlines far enough to overflow a time point).
TEST(SystemKickClock, EachWaitBlocksOnceUntilWoken) {
  for (const int64_t hours_ahead : {int64_t{1}, int64_t{0}, int64_t{-1}}) {
    WaitCounter counter;
    SystemKickClock clock([&counter] { counter.Blocked(); });
    // An hour from now, the last deadline before kNoDeadline, and kNoDeadline.
    const int64_t until = hours_ahead == 1   ? clock.NowMs() + kHourMs
                          : hours_ahead == 0 ? kNoDeadline - 1
                                             : kNoDeadline;
    SCOPED_TRACE(until);
    std::thread waiter([&] {
      for (int i = 0; i < 2; ++i) {
        clock.WaitUntil(until);
        counter.Returned();
      }
    });
    for (int wait = 1; wait <= 2; ++wait) {
      counter.AwaitEither(wait, wait);
      EXPECT_EQ(counter.blocks(), wait);
      EXPECT_EQ(counter.returns(), wait - 1);
      clock.Wake();
      counter.AwaitReturns(wait);
    }
    waiter.join();
    EXPECT_EQ(counter.blocks(), 2);
    EXPECT_EQ(counter.returns(), 2);
  }
}

// A Wake() before the wait ends it without blocking, once; a deadline
// already past never blocks.
TEST(SystemKickClock, APendingWakeOrAPastDeadlineEndsTheWaitWithoutBlocking) {
  int blocks = 0;
  SystemKickClock clock([&blocks] { ++blocks; });
  clock.Wake();
  clock.WaitUntil(kNoDeadline);
  clock.WaitUntil(clock.NowMs() - 1);
  clock.WaitUntil(0);
  EXPECT_EQ(blocks, 0);
}

}  // namespace
}  // namespace kestro
