// Time for the watch over sent drawer kicks: what time it is, and a wait
// until a given time that another thread can cut short. Behind an interface
// so that tests move time by hand.

#ifndef KESTRO_CASH_DRAWER_KICK_CLOCK_H_
#define KESTRO_CASH_DRAWER_KICK_CLOCK_H_

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>

namespace kestro {

// A deadline that never comes: WaitUntil(kNoDeadline) ends only with Wake().
inline constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();

// One thread at a time waits on a clock; any thread may wake it.
class KickClock {
 public:
  virtual ~KickClock() = default;

  // Milliseconds on a clock that never goes back; only differences count.
  virtual int64_t NowMs() = 0;

  // Blocks the calling thread until NowMs() >= `deadline_ms`, or until Wake()
  // is called, whichever comes first. A Wake() that came while no thread
  // waited ends the next wait at once. It may also end early for no reason:
  // callers look at the time and their work again.
  virtual void WaitUntil(int64_t deadline_ms) = 0;

  // Ends the current wait, or the next one.
  virtual void Wake() = 0;
};

// The system's steady clock; waits block on a condition variable, each block
// for at most a day, so that no deadline, however far, overflows the
// condition variable's own time.
class SystemKickClock : public KickClock {
 public:
  SystemKickClock() = default;
  // For tests of the clock itself: `before_block` runs, under the clock's
  // lock, each time a wait is about to block on the condition variable, so a
  // test counts the blocks of each wait instead of timing it.
  explicit SystemKickClock(std::function<void()> before_block);

  int64_t NowMs() override;
  void WaitUntil(int64_t deadline_ms) override;
  void Wake() override;

 private:
  std::function<void()> before_block_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;  // guarded by mutex_
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_KICK_CLOCK_H_
