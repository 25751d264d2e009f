#include "cash_drawer/testing/manual_kick_clock.h"

#include <algorithm>

namespace kestro_testing {

int64_t ManualKickClock::NowMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_ms_;
}

void ManualKickClock::WaitUntil(int64_t deadline_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (skip_waits_ && !woken_ && deadline_ms != kestro::kNoDeadline) {
    now_ms_ = std::max(now_ms_, deadline_ms);
  }
  waiting_ = true;
  waiting_for_ = deadline_ms;
  changed_.notify_all();
  changed_.wait(lock, [&] { return woken_ || now_ms_ >= deadline_ms; });
  woken_ = false;
  waiting_ = false;
}

void ManualKickClock::Wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  woken_ = true;
  ++wakes_;
  changed_.notify_all();
}

void ManualKickClock::SetNow(int64_t now_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ms_ = std::max(now_ms_, now_ms);
  changed_.notify_all();
}

void ManualKickClock::SkipWaits() {
  std::lock_guard<std::mutex> lock(mutex_);
  skip_waits_ = true;
  changed_.notify_all();
}

int64_t ManualKickClock::AwaitWaiter() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return waiting_ && !woken_ && now_ms_ < waiting_for_; });
  return waiting_for_;
}

int ManualKickClock::wakes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return wakes_;
}

}  // namespace kestro_testing
