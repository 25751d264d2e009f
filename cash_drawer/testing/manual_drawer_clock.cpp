#include "cash_drawer/testing/manual_drawer_clock.h"

#include <algorithm>

namespace kestro_testing {

int64_t ManualDrawerClock::NowMs() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_ms_;
}

void ManualDrawerClock::SleepUntil(int64_t deadline_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  sleeps_.push_back(deadline_ms);
  now_ms_ = std::max(now_ms_, deadline_ms);
}

void ManualDrawerClock::SetNow(int64_t now_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ms_ = std::max(now_ms_, now_ms);
}

void ManualDrawerClock::Advance(int64_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ms_ += std::max<int64_t>(ms, 0);
}

std::vector<int64_t> ManualDrawerClock::sleeps() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sleeps_;
}

}  // namespace kestro_testing
