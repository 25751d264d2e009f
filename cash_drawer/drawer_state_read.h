// One read of a drawer's state over a direct channel, and the wait for a
// state, each bounded by the time the caller gives.
//
// A read shares the channel with the spooler, which opens a serial or USB
// port only while it prints: it opens the channel (trying again every
// kBusyRetryMs while someone else holds it), drops whatever arrived before,
// sends the status request, receives until the answer is in or the time is
// up, and closes the channel at once. A wait reads every kWaitReadEveryMs
// until the drawer is in the state asked for, or its time is up.

#ifndef KESTRO_CASH_DRAWER_DRAWER_STATE_READ_H_
#define KESTRO_CASH_DRAWER_DRAWER_STATE_READ_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/drawer_channel.h"
#include "cash_drawer/drawer_clock.h"
#include "cash_drawer/drawer_link.h"
#include "cash_drawer/drawer_status.h"

namespace kestro {

// Why a state is "unknown", besides the reasons a link gives.
inline constexpr char kNoChannelReason[] = "no direct channel is set for this printer";
inline constexpr char kNoPrinterReason[] = "no printer was found";
inline constexpr char kBusyReason[] = "busy";
inline constexpr char kNoAnswerReason[] = "no answer";
inline constexpr char kClosingReason[] = "closing";

// How often an open that found the channel busy is tried again.
inline constexpr int64_t kBusyRetryMs = 50;
// How often a wait reads, and the most one of its reads may take.
inline constexpr int64_t kWaitReadEveryMs = 200;
inline constexpr int64_t kWaitReadLongestMs = 1000;

// What to read: the channel (kSerial, kTcp or kUsb), the dialect spoken on it
// and the level that means open.
struct DrawerQuery {
  DrawerChannel channel;
  StatusDialect dialect = StatusDialect::kEscPos;
  DrawerLevel open_level = kDefaultOpenLevel;
};

// What one read found.
struct DrawerReading {
  // kUnknown unless the printer answered.
  DrawerState state = DrawerState::kUnknown;
  // The status that tells the state: the answer to the request (and, in a
  // wait's reading, an unsolicited frame when no answer came after it).
  std::optional<DrawerStatus> status;
  // Unsolicited frames (ESC/POS Automatic Status Back) that came before the
  // answer, in order; they tell the drawer's level at their time.
  std::vector<DrawerStatus> unsolicited;
  // For kUnknown: why, in a few words (the reasons above, or the link's).
  std::string reason;
};

// One lock per channel, so that two reads of one channel never interleave.
// Any thread may use it.
class ChannelLocks {
 public:
  // The lock of `channel`, held when the returned lock owns it; not held
  // (and not waited for) while another read has it.
  std::unique_lock<std::mutex> TryHold(const DrawerChannel& channel);

 private:
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<std::mutex>> locks_;  // guarded by mutex_
};

// Reads the drawer's state once. Returns within `timeout_ms` (0 or less:
// one attempt at each step, without waiting) on `clock`, as far as the link
// keeps to the bounds it is given. A channel held by another read of
// `locks` (may be null) counts as busy. Ends early, as "closing", once
// `*stop` (may be null) is set.
DrawerReading ReadDrawer(const DrawerQuery& query, int64_t timeout_ms, DrawerLinkOpener& opener,
                         DrawerClock& clock, ChannelLocks* locks = nullptr,
                         const std::atomic<bool>* stop = nullptr);

// How a wait ended.
struct DrawerWait {
  bool reached = false;
  // From the start of the wait to the reading that showed the state, or to
  // the end of the wait; never more than its time.
  int64_t waited_ms = 0;
  // The last reading that told the state (for a state seen in an unsolicited
  // frame, that frame's state), or, when none did, the last reading.
  DrawerReading reading;
};

// Told each reading of a wait as soon as it is made, on the waiting thread.
using EachReading = std::function<void(const DrawerReading&)>;

// Reads as ReadDrawer does every kWaitReadEveryMs (each read taking at most
// kWaitReadLongestMs) until the state is `target`, in an answer or in an
// unsolicited frame, or `timeout_ms` is up. Each reading, a state told by an
// unsolicited frame alone taken as the last frame's, goes to `each` (when
// given) before the wait goes on.
DrawerWait WaitForDrawer(const DrawerQuery& query, DrawerState target, int64_t timeout_ms,
                         DrawerLinkOpener& opener, DrawerClock& clock,
                         ChannelLocks* locks = nullptr, const std::atomic<bool>* stop = nullptr,
                         const EachReading& each = nullptr);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_STATE_READ_H_
