#include "cash_drawer/drawer_state_read.h"

#include <algorithm>
#include <utility>

namespace kestro {
namespace {

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

DrawerReading Unknown(std::string reason) {
  DrawerReading reading;
  reading.reason = std::move(reason);
  return reading;
}

// The time left until `deadline_ms`, never below 0.
int64_t Left(DrawerClock& clock, int64_t deadline_ms) {
  return std::max<int64_t>(deadline_ms - clock.NowMs(), 0);
}

// The channel, open and ours alone, or why not.
struct HeldLink {
  std::unique_lock<std::mutex> lock;
  std::unique_ptr<DrawerLink> link;
  std::string reason;
};

// Opens the channel, trying again every kBusyRetryMs while it is busy, until
// `deadline_ms`.
HeldLink OpenWhenFree(const DrawerChannel& channel, int64_t deadline_ms, DrawerLinkOpener& opener,
                      DrawerClock& clock, ChannelLocks* locks, const std::atomic<bool>* stop) {
  HeldLink held;
  while (true) {
    if (Stopped(stop)) return {{}, nullptr, kClosingReason};
    if (locks != nullptr) held.lock = locks->TryHold(channel);
    if (locks == nullptr || held.lock.owns_lock()) {
      LinkOpenResult opened = opener.Open(channel, Left(clock, deadline_ms));
      if (opened.status == LinkOpenStatus::kOpened) {
        held.link = std::move(opened.link);
        return held;
      }
      held.lock = {};
      if (opened.status == LinkOpenStatus::kFailed) return {{}, nullptr, opened.reason};
    }
    const int64_t now = clock.NowMs();
    if (now >= deadline_ms) return {{}, nullptr, kBusyReason};
    clock.SleepUntil(std::min(now + kBusyRetryMs, deadline_ms));
    if (clock.NowMs() >= deadline_ms) return {{}, nullptr, kBusyReason};
  }
}

std::string NoAnswerReason(const StatusParser& parser) {
  const size_t skipped = parser.skipped_bytes();
  if (skipped == 0) return kNoAnswerReason;
  return std::string(kNoAnswerReason) + " (" + std::to_string(skipped) +
         (skipped == 1 ? " byte that is" : " bytes that are") + " no status)";
}

// Receives on an open link until the answer is in, an unsolicited frame shows
// `frame_target` (when given), or `deadline_ms`.
DrawerReading ReceiveAnswer(DrawerLink& link, const DrawerQuery& query, int64_t deadline_ms,
                            std::optional<DrawerState> frame_target, DrawerClock& clock,
                            const std::atomic<bool>* stop) {
  StatusParser parser(query.dialect);
  DrawerReading reading;
  do {
    std::vector<uint8_t> bytes;
    std::string reason;
    const DrawerLink::ReceiveStatus status =
        link.Receive(Left(clock, deadline_ms), &bytes, &reason);
    if (status == DrawerLink::ReceiveStatus::kBroken) return Unknown(reason);
    if (status == DrawerLink::ReceiveStatus::kTimedOut) break;
    for (const DrawerStatus& found : parser.Feed(bytes)) {
      if (!found.answer) {
        reading.unsolicited.push_back(found);
        if (frame_target && StateOfLevel(found.level, query.open_level) == *frame_target) {
          return reading;
        }
        continue;
      }
      reading.status = found;
      reading.state = StateOfLevel(found.level, query.open_level);
      return reading;
    }
    if (Stopped(stop)) return Unknown(kClosingReason);
  } while (clock.NowMs() < deadline_ms);
  reading.reason = NoAnswerReason(parser);
  return reading;
}

// A reading without an answer told by the last unsolicited frame that came
// in it, if any: that frame is the latest word on the drawer.
void TakeLastFrame(DrawerReading* reading, DrawerLevel open_level) {
  if (reading->status || reading->unsolicited.empty()) return;
  reading->status = reading->unsolicited.back();
  reading->state = StateOfLevel(reading->status->level, open_level);
  reading->reason.clear();
}

// ReadDrawer, ending early on a frame that shows `frame_target`.
DrawerReading ReadUntil(const DrawerQuery& query, int64_t timeout_ms,
                        std::optional<DrawerState> frame_target, DrawerLinkOpener& opener,
                        DrawerClock& clock, ChannelLocks* locks, const std::atomic<bool>* stop) {
  const int64_t deadline = clock.NowMs() + std::max<int64_t>(timeout_ms, 0);
  HeldLink held = OpenWhenFree(query.channel, deadline, opener, clock, locks, stop);
  if (!held.link) return Unknown(held.reason);
  held.link->DiscardPending();
  std::string reason;
  if (!held.link->Send(StatusRequest(query.dialect), Left(clock, deadline), &reason)) {
    return Unknown(reason);
  }
  return ReceiveAnswer(*held.link, query, deadline, frame_target, clock, stop);
}

}  // namespace

std::unique_lock<std::mutex> ChannelLocks::TryHold(const DrawerChannel& channel) {
  std::string key = FormatDrawerChannel(channel);
  // Host names are the same in any case.
  std::transform(key.begin(), key.end(), key.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  std::mutex* channel_lock = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::unique_ptr<std::mutex>& entry = locks_[key];
    if (!entry) entry = std::make_unique<std::mutex>();
    channel_lock = entry.get();
  }
  return std::unique_lock<std::mutex>(*channel_lock, std::try_to_lock);
}

DrawerReading ReadDrawer(const DrawerQuery& query, int64_t timeout_ms, DrawerLinkOpener& opener,
                         DrawerClock& clock, ChannelLocks* locks, const std::atomic<bool>* stop) {
  return ReadUntil(query, timeout_ms, std::nullopt, opener, clock, locks, stop);
}

DrawerWait WaitForDrawer(const DrawerQuery& query, DrawerState target, int64_t timeout_ms,
                         DrawerLinkOpener& opener, DrawerClock& clock, ChannelLocks* locks,
                         const std::atomic<bool>* stop, const EachReading& each) {
  const int64_t start = clock.NowMs();
  const int64_t deadline = start + std::max<int64_t>(timeout_ms, 0);
  DrawerWait wait;
  bool told = false;
  while (true) {
    const int64_t read_start = clock.NowMs();
    const int64_t read_time = std::min(kWaitReadLongestMs, deadline - read_start);
    DrawerReading reading = ReadUntil(query, read_time, target, opener, clock, locks, stop);
    if (reading.reason != kClosingReason) TakeLastFrame(&reading, query.open_level);
    if (each) each(reading);
    const DrawerState state = reading.state;
    if (state != DrawerState::kUnknown) {
      told = true;
      wait.reading = std::move(reading);
    } else if (!told || reading.reason == kClosingReason) {
      wait.reading = std::move(reading);
    }
    wait.waited_ms = clock.NowMs() - start;
    if (state == target) {
      wait.reached = true;
      return wait;
    }
    if (Stopped(stop) || clock.NowMs() >= deadline) return wait;
    const int64_t next_read = std::min(read_start + kWaitReadEveryMs, deadline);
    if (next_read > clock.NowMs()) clock.SleepUntil(next_read);
    wait.waited_ms = clock.NowMs() - start;
    if (clock.NowMs() >= deadline) return wait;
  }
}

}  // namespace kestro
