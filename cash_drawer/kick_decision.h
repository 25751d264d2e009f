// What the watch over a sent drawer kick does after each look at the job
// (GetJobW), and when it looks next. Pure: the spooler calls and the waiting
// are the watch's (drawer_kick_watch.h).
//
// Times are ages: milliseconds since the kick was handed to the watch. A kick
// is looked at after 100, 200, 400 ... ms, the steps doubling up to 5 s, and
// at its limit (at once when its limit is 0 or less). A job that has left the queue, or is
// marked printed or complete, is done. A job still queued at the limit is
// withdrawn, unless its bytes are going to the device at that moment with no
// trouble (no trouble mark: error, offline, paused, blocked, out of paper,
// needs the user; and no status text from the port monitor): that one is
// looked at every 500 ms for at most kPrintingOverrunMs more, and withdrawn
// then if still queued. A job GetJobW cannot read is treated as queued with
// trouble.
//
// A withdrawn job is looked at once more at once, then every 500 ms for at
// most kLeavingLookMs, until it has left the queue: Windows only marks a job
// it is printing deleting, and its bytes may still reach the printer. Only a
// job seen queued and not printing when it was withdrawn, and seen gone
// after, was withdrawn cleanly.

#ifndef KESTRO_CASH_DRAWER_KICK_DECISION_H_
#define KESTRO_CASH_DRAWER_KICK_DECISION_H_

#include <cstdint>

namespace kestro {

// The longest time a kick may be given; longer times count as this.
inline constexpr int64_t kLongestKickTimeMs = 600000;
// How long past its limit a kick whose bytes are going to the device without
// trouble is still left to finish.
inline constexpr int64_t kPrintingOverrunMs = 5000;
// How long after its withdrawal a kick is looked at until it leaves the queue.
inline constexpr int64_t kLeavingLookMs = 5000;
// At teardown, counted from its start: when the kicks still queued are
// withdrawn at the latest, how often they are looked at meanwhile, when the
// looks after a withdrawal end, and how long the teardown waits for the
// watch at most (leaving the rest for the spooler calls of the last looks).
inline constexpr int64_t kTeardownGraceMs = 1000;
inline constexpr int64_t kTeardownStepMs = 250;
inline constexpr int64_t kTeardownLookLimitMs = 1500;
inline constexpr int64_t kTeardownLimitMs = 2000;

// What one look at the job found.
struct KickReading {
  enum class Sight {
    kQueued,      // GetJobW read the job; `status` holds its kJobStatus* bits
    kGone,        // GetJobW failed with kInvalidParameterError
    kUnreadable,  // GetJobW failed otherwise, or the printer did not open
  };
  Sight sight;
  uint32_t status;
  // The port monitor's status text was not empty: it reports trouble.
  bool has_status_text;
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

// Whether the job was read marked printed or complete.
bool MarkedPrinted(const KickReading& reading);

// Whether the job may be printing: it was read marked printing, deleting or
// deleted, or could not be read at all.
bool MayBePrinting(const KickReading& reading);

enum class LeavingVerdict {
  kLeft,     // done: the job is no longer in the queue
  kPrinted,  // done: the job is marked printed or complete
  kWatch,    // look again at NextLeavingLookAge
  kGiveUp,   // done: still listed, or unread, at `leave_by_ms`
};

// The verdict on a look at age `age_ms` after the withdrawal; the looks end
// at `leave_by_ms`.
LeavingVerdict DecideLeaving(const KickReading& reading, int64_t age_ms, int64_t leave_by_ms);

// The age of the next look after a withdrawal, never beyond `leave_by_ms`.
int64_t NextLeavingLookAge(int64_t age_ms, int64_t leave_by_ms, bool tearing_down);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_KICK_DECISION_H_
