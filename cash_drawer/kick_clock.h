// Time for the watch over sent drawer kicks: what time it is, and a wait
// until a given time that another thread can cut short. Behind an interface
// so that tests move time by hand.

#ifndef KESTRO_CASH_DRAWER_KICK_CLOCK_H_
#define KESTRO_CASH_DRAWER_KICK_CLOCK_H_

#include <condition_variable>
#include <cstdint>
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

// The system's steady clock; waits block on a condition variable.
class SystemKickClock : public KickClock {
 public:
  int64_t NowMs() override;
  void WaitUntil(int64_t deadline_ms) override;
  void Wake() override;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;  // guarded by mutex_
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_KICK_CLOCK_H_
