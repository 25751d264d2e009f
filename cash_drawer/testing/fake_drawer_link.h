// Direct channels for tests: an opener of scripted devices, one per channel,
// that answers status requests on the test's clock. Each device can be made
// busy or absent, can hold stale bytes from before the request, and answers
// each request with the pieces its script gives, each after its own delay.
// Every call is logged with the clock's time. Callable from any thread; a
// test may hold every link's reception until it lets them go, to see reads
// run side by side.

#ifndef KESTRO_CASH_DRAWER_TESTING_FAKE_DRAWER_LINK_H_
#define KESTRO_CASH_DRAWER_TESTING_FAKE_DRAWER_LINK_H_

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cash_drawer/drawer_link.h"
#include "cash_drawer/testing/manual_drawer_clock.h"

namespace kestro_testing {

// Bytes a device sends `delay_ms` after the request reached it.
struct DevicePiece {
  int64_t delay_ms;
  std::vector<uint8_t> bytes;
};

struct FakeDevice {
  // How the first opens end, in order; every later open succeeds. kBusy and
  // kFailed come with `open_reason`.
  std::vector<kestro::LinkOpenStatus> opens;
  std::string open_reason = "CreateFileW failed, error 5";
  // Bytes that arrived before the link was opened (a frame of an earlier
  // change, a reply to someone else's request).
  std::vector<uint8_t> pending;
  // The reply to a request sent at `sent_ms` on the clock, in pieces.
  std::function<std::vector<DevicePiece>(int64_t sent_ms)> reply;
  // When not empty, Send fails with this reason.
  std::string send_failure;
  // When not empty, a Receive after the reply's last piece (or, without a
  // reply, any Receive) breaks with this reason instead of timing out.
  std::string broken_after_reply;
};

class FakeLinkOpener : public kestro::DrawerLinkOpener {
 public:
  explicit FakeLinkOpener(std::shared_ptr<ManualDrawerClock> clock) : clock_(std::move(clock)) {}

  // The device behind `channel`, as FormatDrawerChannel writes it; a channel
  // without one fails to open with "no such device".
  void Add(const std::string& channel, FakeDevice device);

  kestro::LinkOpenResult Open(const kestro::DrawerChannel& channel, int64_t timeout_ms) override;

  // Every call, in order, stamped "@MS" with the clock: "open CH (T ms)"
  // with its outcome ("opened", "busy", "failed"), "discard CH", "send CH
  // 100401 (T ms)", "receive CH (T ms): HEX" or ": timed out" or ": broken",
  // "close CH".
  std::vector<std::string> log();

  // From now on every Receive blocks until Release(); HeldCount() says how
  // many are blocked.
  void Hold();
  void Release();
  // Blocks until `count` receptions are held.
  void AwaitHeld(int count);

  // The most links that were open at once, of all channels and of one.
  int most_open();
  int most_open_of_one_channel();

 private:
  class Link;

  void Note(const std::string& entry);  // REQUIRES: mutex_ held
  void Closed(const std::string& channel);
  void WaitWhileHeld(std::unique_lock<std::mutex>& lock);

  std::shared_ptr<ManualDrawerClock> clock_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, FakeDevice> devices_;
  std::map<std::string, size_t> opens_made_;
  std::map<std::string, int> open_now_;
  int open_total_ = 0;
  int most_open_ = 0;
  int most_open_of_one_ = 0;
  bool holding_ = false;
  int held_ = 0;
  std::vector<std::string> log_;
};

// A device that answers each request with `bytes` after `delay_ms`.
FakeDevice AnsweringDevice(std::vector<uint8_t> bytes, int64_t delay_ms = 20);

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_FAKE_DRAWER_LINK_H_
