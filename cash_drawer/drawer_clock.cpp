#include "cash_drawer/drawer_clock.h"

#include <chrono>
#include <thread>

namespace kestro {

int64_t SystemDrawerClock::NowMs() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count();
}

void SystemDrawerClock::SleepUntil(int64_t deadline_ms) {
  std::this_thread::sleep_until(
      std::chrono::steady_clock::time_point{std::chrono::milliseconds(deadline_ms)});
}

}  // namespace kestro
