#include "cash_drawer/kick_clock.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace kestro {
namespace {

// The longest one block on the condition variable lasts; a wait for a later
// deadline blocks again.
constexpr int64_t kLongestBlockMs = 24 * 60 * 60 * 1000;

}  // namespace

SystemKickClock::SystemKickClock(std::function<void()> before_block)
    : before_block_(std::move(before_block)) {}

int64_t SystemKickClock::NowMs() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count();
}

void SystemKickClock::WaitUntil(int64_t deadline_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!woken_) {
    const int64_t now = NowMs();
    if (deadline_ms != kNoDeadline && now >= deadline_ms) break;
    if (before_block_) before_block_();
    if (deadline_ms == kNoDeadline) {
      wake_.wait(lock);
    } else {
      wake_.wait_for(lock, std::chrono::milliseconds(std::min(deadline_ms - now, kLongestBlockMs)));
    }
  }
  woken_ = false;
}

void SystemKickClock::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

}  // namespace kestro
