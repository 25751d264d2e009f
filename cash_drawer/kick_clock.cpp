#include "cash_drawer/kick_clock.h"

#include <chrono>

namespace kestro {

int64_t SystemKickClock::NowMs() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count();
}

void SystemKickClock::WaitUntil(int64_t deadline_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (deadline_ms == kNoDeadline) {
    wake_.wait(lock, [this] { return woken_; });
  } else {
    const std::chrono::steady_clock::time_point deadline{std::chrono::milliseconds(deadline_ms)};
    wake_.wait_until(lock, deadline, [this] { return woken_; });
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
