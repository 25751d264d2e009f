#include "audit/drawer_open_tracker.h"

#include <algorithm>

namespace kestro {

DrawerOpenTracker::DrawerOpenTracker(DrawerAudit& audit) : audit_(audit) {}

// The events are reported under the lock, so that those of one drawer are
// never told out of order.
void DrawerOpenTracker::Observe(const std::u16string& printer, DrawerSeen seen, int64_t now_ms,
                                uint32_t warning_seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto opening = open_.find(printer);
  if (opening == open_.end()) {
    if (seen == DrawerSeen::kClosed) return;
    open_.emplace(printer, Opening{now_ms, false});
    audit_.DrawerReadOpen(printer);
    return;
  }
  const int64_t open_ms = std::max<int64_t>(0, now_ms - opening->second.since_ms);
  if (seen == DrawerSeen::kClosed) {
    open_.erase(opening);
    audit_.DrawerReadClosed(printer, open_ms);
    return;
  }
  if (warning_seconds == 0 || opening->second.warned ||
      open_ms <= int64_t{warning_seconds} * 1000) {
    return;
  }
  opening->second.warned = true;
  audit_.DrawerLeftOpen(printer, open_ms, warning_seconds);
}

}  // namespace kestro
