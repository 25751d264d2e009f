// What the watch over a sent drawer kick does after each look at the job
// (GetJobW), and when it looks next. Pure: the spooler calls and the waiting
// are the watch's (drawer_kick_watch.h).
//
// Times are ages: milliseconds since the kick was handed to the watch. A kick
// is looked at when handed over, then after 100, 200, 400 ... ms, the steps
// doubling up to 5 s, and at its limit. A job that has left the queue, or is
// marked printed or complete, is done. A job still queued at the limit is
// withdrawn, unless its bytes are going to the device at that moment with no
// trouble mark (error, offline, paused, blocked, out of paper, needs the
// user): that one is looked at every 500 ms for at most kPrintingOverrunMs
// more, and withdrawn then if still queued. A job GetJobW cannot read is
// treated as queued with trouble.

#ifndef KESTRO_CASH_DRAWER_KICK_DECISION_H_
#define KESTRO_CASH_DRAWER_KICK_DECISION_H_

#include <cstdint>

namespace kestro {

// The longest time a kick may be given; longer times count as this.
inline constexpr int64_t kLongestKickTimeMs = 600000;
// How long past its limit a kick whose bytes are going to the device without
// trouble is still left to finish.
inline constexpr int64_t kPrintingOverrunMs = 5000;
// At teardown: how long all kicks still watched get together, and how often
// they are looked at meanwhile.
inline constexpr int64_t kTeardownGraceMs = 1000;
inline constexpr int64_t kTeardownStepMs = 250;

// What one look at the job found.
struct KickReading {
  enum class Sight {
    kQueued,      // GetJobW read the job; `status` holds its kJobStatus* bits
    kGone,        // GetJobW failed with kInvalidParameterError
    kUnreadable,  // GetJobW failed otherwise, or the printer did not open
  };
  Sight sight;
  uint32_t status;
};

// The ages at which a kick still queued is withdrawn.
struct KickBounds {
  // Withdrawn when still queued at this age, unless printing cleanly.
  int64_t limit_ms;
  // Withdrawn when still queued at this age, whatever it is doing.
  int64_t final_ms;
  // Looked at every kTeardownStepMs, not on the usual steps.
  bool tearing_down;
};

// The bounds of a kick given `expire_after_ms` (taken as 0 when negative, as
// kLongestKickTimeMs when above it).
KickBounds BoundsFor(int64_t expire_after_ms);

// The bounds of a kick at teardown, when the grace ends at `grace_end_ms`:
// neither bound lies beyond it.
KickBounds BoundsAtTeardown(const KickBounds& bounds, int64_t grace_end_ms);

enum class KickVerdict {
  kLeftQueue,  // done: the job is no longer in the queue
  kPrinted,    // done: the job is marked printed or complete
  kWatch,      // look again at NextLookAge
  kWithdraw,   // withdraw it now
};

// The verdict on a look at age `age_ms`.
KickVerdict DecideKick(const KickReading& reading, int64_t age_ms, const KickBounds& bounds);

// The age of the next look after one at `age_ms` that gave kWatch; never
// beyond the bound still ahead.
int64_t NextLookAge(int64_t age_ms, const KickBounds& bounds);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_KICK_DECISION_H_
