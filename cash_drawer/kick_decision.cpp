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

bool PrintingCleanly(const KickReading& reading) {
  return reading.sight == KickReading::Sight::kQueued &&
         (reading.status & kJobStatusPrinting) != 0 && (reading.status & kTroubleMarks) == 0;
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
  if (reading.sight == KickReading::Sight::kQueued && (reading.status & kDoneMarks) != 0) {
    return KickVerdict::kPrinted;
  }
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

}  // namespace kestro
