// A drawer clock for tests: time moves only when the test, a fake device or a
// sleeper moves it. A sleep moves the time to its deadline at once, so a read
// that would wait for a second takes none, and the test sees when it would
// have ended. Callable from any thread.

#ifndef KESTRO_CASH_DRAWER_TESTING_MANUAL_DRAWER_CLOCK_H_
#define KESTRO_CASH_DRAWER_TESTING_MANUAL_DRAWER_CLOCK_H_

#include <cstdint>
#include <mutex>
#include <vector>

#include "cash_drawer/drawer_clock.h"

namespace kestro_testing {

class ManualDrawerClock : public kestro::DrawerClock {
 public:
  int64_t NowMs() override;
  // Moves the time to `deadline_ms` (never back) and notes the sleep.
  void SleepUntil(int64_t deadline_ms) override;

  // Moves the time forward to `now_ms` (never back).
  void SetNow(int64_t now_ms);
  // Moves the time forward by `ms`.
  void Advance(int64_t ms);
  // The deadlines slept until, in order.
  std::vector<int64_t> sleeps();

 private:
  std::mutex mutex_;
  int64_t now_ms_ = 0;
  std::vector<int64_t> sleeps_;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_MANUAL_DRAWER_CLOCK_H_
