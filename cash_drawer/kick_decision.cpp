#include "cash_drawer/kick_decision.h"

#include <algorithm>

#include "cash_drawer/print_spooler.h"

namespace kestro {
namespace {

constexpr int64_t kFirstStepMs = 100;
constexpr int64_t kLongestStepMs = 5000;
constexpr int64_t kOverrunStepMs = 500;

constexpr uint32_t kDoneMarks = kJobStatusPrinted | kJobStatusComplete;
constexpr uint32_t kTroubleMarks = kJobStatusError | kJobStatusOffline | kJobStatusPaused |
                                   kJobStatusBlockedDevQ | kJobStatusPaperOut |
                                   kJobStatusUserIntervention;
constexpr uint32_t kMaybePrintingMarks =
    kJobStatusPrinting | kJobStatusDeleting | kJobStatusDeleted;

bool Queued(const KickReading& reading) { return reading.sight == KickReading::Sight::kQueued; }

bool PrintingCleanly(const KickReading& reading) {
  return Queued(reading) && (reading.status & kJobStatusPrinting) != 0 &&
         (reading.status & kTroubleMarks) == 0 && !reading.has_status_text;
}

}  // namespace

KickBounds BoundsFor(int64_t expire_after_ms) {
  const int64_t limit = std::clamp<int64_t>(expire_after_ms, 0, kLongestKickTimeMs);
  return {limit, limit + kPrintingOverrunMs, false};
}

KickBounds BoundsAtTeardown(const KickBounds& bounds, int64_t grace_end_ms) {
  return {std::min(bounds.limit_ms, grace_end_ms), std::min(bounds.final_ms, grace_end_ms), true};
}

KickVerdict DecideKick(const KickReading& reading, int64_t age_ms, const KickBounds& bounds) {
  if (reading.sight == KickReading::Sight::kGone) return KickVerdict::kLeftQueue;
  if (MarkedPrinted(reading)) return KickVerdict::kPrinted;
  if (age_ms < bounds.limit_ms) return KickVerdict::kWatch;
  if (age_ms < bounds.final_ms && PrintingCleanly(reading)) return KickVerdict::kWatch;
  return KickVerdict::kWithdraw;
}

int64_t NextLookAge(int64_t age_ms, const KickBounds& bounds) {
  if (age_ms < bounds.limit_ms) {
    const int64_t step =
        bounds.tearing_down ? kTeardownStepMs : std::clamp(age_ms, kFirstStepMs, kLongestStepMs);
    return std::min(age_ms + step, bounds.limit_ms);
  }
  const int64_t step = bounds.tearing_down ? kTeardownStepMs : kOverrunStepMs;
  return std::min(age_ms + step, bounds.final_ms);
}

bool MarkedPrinted(const KickReading& reading) {
  return Queued(reading) && (reading.status & kDoneMarks) != 0;
}

bool MayBePrinting(const KickReading& reading) {
  return !Queued(reading) || (reading.status & kMaybePrintingMarks) != 0;
}

LeavingVerdict DecideLeaving(const KickReading& reading, int64_t age_ms, int64_t leave_by_ms) {
  if (reading.sight == KickReading::Sight::kGone) return LeavingVerdict::kLeft;
  if (MarkedPrinted(reading)) return LeavingVerdict::kPrinted;
  return age_ms < leave_by_ms ? LeavingVerdict::kWatch : LeavingVerdict::kGiveUp;
}

int64_t NextLeavingLookAge(int64_t age_ms, int64_t leave_by_ms, bool tearing_down) {
  return std::min(age_ms + (tearing_down ? kTeardownStepMs : kOverrunStepMs), leave_by_ms);
}

}  // namespace kestro
