// A clock for tests of the drawer kick watch: time moves only when the test
// moves it, and the test can wait until the watch's thread has done all it
// can at the present time and waits for a later one.

#ifndef KESTRO_CASH_DRAWER_TESTING_MANUAL_KICK_CLOCK_H_
#define KESTRO_CASH_DRAWER_TESTING_MANUAL_KICK_CLOCK_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "cash_drawer/kick_clock.h"

namespace kestro_testing {

class ManualKickClock : public kestro::KickClock {
 public:
  int64_t NowMs() override;
  // Blocks until the test moves the time to `deadline_ms` or Wake() is
  // called; after SkipWaits(), moves the time there itself and returns.
  void WaitUntil(int64_t deadline_ms) override;
  void Wake() override;

  // Moves the time forward to `now_ms` (never back).
  void SetNow(int64_t now_ms);
  // From now on a wait for a deadline moves the time to it at once; a wait
  // with kNoDeadline still blocks until woken.
  void SkipWaits();
  // Blocks until a thread waits for a deadline still ahead (kNoDeadline
  // included) with no Wake() pending, and returns that deadline.
  int64_t AwaitWaiter();
  // The Wake() calls so far.
  int wakes();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int64_t now_ms_ = 0;
  bool woken_ = false;
  int wakes_ = 0;
  bool skip_waits_ = false;
  bool waiting_ = false;
  int64_t waiting_for_ = 0;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_MANUAL_KICK_CLOCK_H_
