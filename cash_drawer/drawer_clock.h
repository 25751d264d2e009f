// Time for the reads of a drawer's state: what time it is, and a sleep until
// a given time. Behind an interface so that tests move time by hand and never
// wait for real time.

#ifndef KESTRO_CASH_DRAWER_DRAWER_CLOCK_H_
#define KESTRO_CASH_DRAWER_DRAWER_CLOCK_H_

#include <cstdint>

namespace kestro {

// Unlike KickClock, any number of threads may sleep on one clock at once.
class DrawerClock {
 public:
  virtual ~DrawerClock() = default;

  // Milliseconds on a clock that never goes back; only differences count.
  virtual int64_t NowMs() = 0;

  // Blocks the calling thread until NowMs() >= `deadline_ms`.
  virtual void SleepUntil(int64_t deadline_ms) = 0;
};

// The system's steady clock.
class SystemDrawerClock : public DrawerClock {
 public:
  int64_t NowMs() override;
  void SleepUntil(int64_t deadline_ms) override;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_CLOCK_H_
