// One read and the wait, against scripted devices on a clock the devices and
// the sleeps move: each case is checked by its whole call log, stamped with
// the time of each call, so that a read that outlives its time shows.

#include "cash_drawer/drawer_state_read.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/testing/fake_drawer_link.h"
#include "cash_drawer/testing/manual_drawer_clock.h"

namespace kestro {
namespace {

using kestro_testing::DevicePiece;
using kestro_testing::FakeDevice;
using kestro_testing::FakeLinkOpener;
using kestro_testing::ManualDrawerClock;
using Log = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

constexpr LinkOpenStatus kBusy = LinkOpenStatus::kBusy;
const Bytes kLowAnswer = {0x12};   // ESC/POS: pin 3 low, online
const Bytes kHighAnswer = {0x16};  // ESC/POS: pin 3 high, online

DrawerStatus Answered(DrawerLevel level, std::optional<bool> cover = std::nullopt) {
  return {true, level, false, cover};
}

DrawerQuery Query(const char16_t* channel, StatusDialect dialect = StatusDialect::kEscPos,
                  DrawerLevel open_level = DrawerLevel::kLow) {
  return {*ParseDrawerChannel(channel), dialect, open_level};
}

FakeDevice Replying(std::vector<DevicePiece> pieces) {
  FakeDevice device;
  device.reply = [pieces](int64_t) { return pieces; };
  return device;
}

// The calls of one read of COM3 that opens at once, timed out at `end`
// when `received` is empty.
Log ReadLog(int64_t timeout, const std::vector<std::string>& received, int64_t end) {
  const std::string t = std::to_string(timeout);
  Log log = {"open COM3 (" + t + " ms): opened@0", "discard COM3@0",
             "send COM3 100401 (" + t + " ms)@0"};
  log.insert(log.end(), received.begin(), received.end());
  log.push_back("close COM3@" + std::to_string(end));
  return log;
}

struct ReadCase {
  const char* label;
  DrawerQuery query;
  FakeDevice device;
  int64_t timeout_ms;
  DrawerState state;
  std::optional<DrawerStatus> status;
  std::vector<DrawerStatus> unsolicited;
  std::string reason;
  Log log;
};

std::vector<ReadCase> ReadCases() {
  FakeDevice stale = kestro_testing::AnsweringDevice(kHighAnswer);
  stale.pending = {0x12, 0x10, 0x00};
  FakeDevice busy_twice = kestro_testing::AnsweringDevice(kHighAnswer);
  busy_twice.opens = {kBusy, kBusy};
  FakeDevice busy = kestro_testing::AnsweringDevice(kHighAnswer);
  busy.opens = std::vector<LinkOpenStatus>(10, kBusy);
  FakeDevice absent;
  absent.opens = {LinkOpenStatus::kFailed};
  absent.open_reason = "CreateFileW failed, error 2";
  FakeDevice deaf = kestro_testing::AnsweringDevice(kHighAnswer);
  deaf.send_failure = "WriteFile failed, error 1117";
  FakeDevice broken;
  broken.broken_after_reply = "connection reset by the printer";
  const Bytes star_open = {0x0F, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  // clang-format off
  return {
      {"answer: closed", Query(u"COM3"), kestro_testing::AnsweringDevice(kHighAnswer), 1000,
       DrawerState::kClosed, Answered(DrawerLevel::kHigh), {}, "",
       ReadLog(1000, {"receive COM3 (1000 ms): 16@20"}, 20)},
      {"the polarity set to high", Query(u"COM3", StatusDialect::kEscPos, DrawerLevel::kHigh),
       kestro_testing::AnsweringDevice(kHighAnswer), 1000, DrawerState::kOpen,
       Answered(DrawerLevel::kHigh), {}, "",
       ReadLog(1000, {"receive COM3 (1000 ms): 16@20"}, 20)},
      {"stale bytes are dropped before the request", Query(u"COM3"), stale, 1000,
       DrawerState::kClosed, Answered(DrawerLevel::kHigh), {}, "",
       ReadLog(1000, {"receive COM3 (1000 ms): 16@20"}, 20)},
      {"frames before the answer, the answer cut into pieces", Query(u"COM3"),
       Replying({{10, {0x10, 0x00}}, {15, {0x00, 0x00}}, {30, {0x14, 0x00, 0x12}}}), 1000,
       DrawerState::kOpen, Answered(DrawerLevel::kLow), {{false, DrawerLevel::kLow, false, false}},
       "",
       ReadLog(1000, {"receive COM3 (1000 ms): 1000@10", "receive COM3 (990 ms): 0000@15",
                      "receive COM3 (985 ms): 140012@30"}, 30)},
      {"no answer", Query(u"COM3"), FakeDevice{}, 1000, DrawerState::kUnknown, std::nullopt, {},
       "no answer", ReadLog(1000, {"receive COM3 (1000 ms): timed out@1000"}, 1000)},
      {"an answer after the time is none", Query(u"COM3"),
       kestro_testing::AnsweringDevice(kHighAnswer, 1001), 1000, DrawerState::kUnknown,
       std::nullopt, {}, "no answer",
       ReadLog(1000, {"receive COM3 (1000 ms): timed out@1000"}, 1000)},
      {"garbage", Query(u"COM3"), Replying({{10, {0xFF, 0x80}}}), 1000, DrawerState::kUnknown,
       std::nullopt, {}, "no answer (2 bytes that are no status)",
       ReadLog(1000, {"receive COM3 (1000 ms): ff80@10",
                      "receive COM3 (990 ms): timed out@1000"}, 1000)},
      {"no time at all", Query(u"COM3"), kestro_testing::AnsweringDevice(kHighAnswer), 0,
       DrawerState::kUnknown, std::nullopt, {}, "no answer",
       ReadLog(0, {"receive COM3 (0 ms): timed out@0"}, 0)},
      {"busy twice", Query(u"COM3"), busy_twice, 1000, DrawerState::kClosed,
       Answered(DrawerLevel::kHigh), {}, "",
       {"open COM3 (1000 ms): busy@0", "open COM3 (950 ms): busy@50",
        "open COM3 (900 ms): opened@100", "discard COM3@100", "send COM3 100401 (900 ms)@100",
        "receive COM3 (900 ms): 16@120", "close COM3@120"}},
      {"busy until the time is up", Query(u"COM3"), busy, 120, DrawerState::kUnknown,
       std::nullopt, {}, "busy",
       {"open COM3 (120 ms): busy@0", "open COM3 (70 ms): busy@50",
        "open COM3 (20 ms): busy@100"}},
      {"no such port", Query(u"COM3"), absent, 1000, DrawerState::kUnknown, std::nullopt, {},
       "CreateFileW failed, error 2", {"open COM3 (1000 ms): failed@0"}},
      {"the request cannot be sent", Query(u"COM3"), deaf, 1000, DrawerState::kUnknown,
       std::nullopt, {}, "WriteFile failed, error 1117",
       {"open COM3 (1000 ms): opened@0", "discard COM3@0", "send COM3 100401 (1000 ms)@0",
        "close COM3@0"}},
      {"the channel breaks", Query(u"COM3"), broken, 1000, DrawerState::kUnknown, std::nullopt,
       {}, "connection reset by the printer",
       ReadLog(1000, {"receive COM3 (1000 ms): broken@0"}, 0)},
      {"Star over TCP: open", Query(u"tcp:10.0.0.9:9100", StatusDialect::kStar),
       Replying({{5, {0x0F, 0x04}}, {8, {0x00, 0x00, 0x00, 0x00, 0x00}}}), 500,
       DrawerState::kOpen, Answered(DrawerLevel::kLow, false), {}, "",
       {"open tcp:10.0.0.9:9100 (500 ms): opened@0", "discard tcp:10.0.0.9:9100@0",
        "send tcp:10.0.0.9:9100 1b0601 (500 ms)@0",
        "receive tcp:10.0.0.9:9100 (500 ms): 0f04@5",
        "receive tcp:10.0.0.9:9100 (495 ms): 0000000000@8", "close tcp:10.0.0.9:9100@8"}},
  };
  // clang-format on
}

TEST(ReadDrawer, AsksOnceAndReadsTheAnswerWithinItsTime) {
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.label);
    auto clock = std::make_shared<ManualDrawerClock>();
    FakeLinkOpener opener(clock);
    opener.Add(FormatDrawerChannel(c.query.channel), c.device);
    const DrawerReading reading = ReadDrawer(c.query, c.timeout_ms, opener, *clock);
    EXPECT_EQ(reading.state, c.state);
    EXPECT_EQ(reading.status, c.status);
    EXPECT_EQ(reading.unsolicited, c.unsolicited);
    EXPECT_EQ(reading.reason, c.reason);
    EXPECT_EQ(opener.log(), c.log);
    EXPECT_LE(clock->NowMs(), c.timeout_ms);
  }
}

// A channel another read holds is busy: it is not even opened.
TEST(ReadDrawer, TakesAChannelHeldByAnotherReadForBusy) {
  auto clock = std::make_shared<ManualDrawerClock>();
  FakeLinkOpener opener(clock);
  opener.Add("COM3", kestro_testing::AnsweringDevice(kHighAnswer));
  opener.Add("COM4", kestro_testing::AnsweringDevice(kLowAnswer));
  ChannelLocks locks;
  std::unique_lock<std::mutex> held = locks.TryHold(*ParseDrawerChannel(u"com3"));
  ASSERT_TRUE(held.owns_lock());
  EXPECT_FALSE(locks.TryHold(*ParseDrawerChannel(u"COM3")).owns_lock());
  const DrawerReading busy = ReadDrawer(Query(u"COM3"), 100, opener, *clock, &locks);
  EXPECT_EQ(busy.reason, "busy");
  EXPECT_EQ(clock->sleeps(), (std::vector<int64_t>{50, 100}));
  const DrawerReading other = ReadDrawer(Query(u"COM4"), 100, opener, *clock, &locks);
  EXPECT_EQ(other.state, DrawerState::kOpen);
  EXPECT_EQ(opener.log(), (Log{"open COM4 (100 ms): opened@100", "discard COM4@100",
                               "send COM4 100401 (100 ms)@100", "receive COM4 (100 ms): 12@120",
                               "close COM4@120"}));
  held.unlock();
  EXPECT_TRUE(locks.TryHold(*ParseDrawerChannel(u"COM3")).owns_lock());
}

TEST(ReadDrawer, EndsAsClosingOnceStopped) {
  auto clock = std::make_shared<ManualDrawerClock>();
  FakeLinkOpener opener(clock);
  opener.Add("COM3", kestro_testing::AnsweringDevice(kHighAnswer));
  const std::atomic<bool> stop{true};
  const DrawerReading reading = ReadDrawer(Query(u"COM3"), 1000, opener, *clock, nullptr, &stop);
  EXPECT_EQ(reading.reason, "closing");
  EXPECT_TRUE(opener.log().empty());
}

// The times each request was sent, from the log.
std::vector<int64_t> SendTimes(const Log& log) {
  std::vector<int64_t> times;
  for (const std::string& entry : log) {
    if (entry.rfind("send ", 0) == 0)
      times.push_back(std::stoll(entry.substr(entry.find('@') + 1)));
  }
  return times;
}

struct WaitCase {
  const char* label;
  FakeDevice device;
  DrawerState target;
  int64_t timeout_ms;
  bool reached;
  int64_t waited_ms;
  DrawerState state;  // of the reading the wait ends with
  std::string reason;
  std::vector<int64_t> sends;
  // Each reading as it was told, "STATE@MS" or "unknown: REASON@MS".
  std::vector<std::string> told;
};

std::vector<WaitCase> WaitCases() {
  // Open (low) until 500 ms, closed (high) from then on.
  FakeDevice closing_at_500;
  closing_at_500.reply = [](int64_t sent_ms) {
    return std::vector<DevicePiece>{{20, sent_ms >= 500 ? kHighAnswer : kLowAnswer}};
  };
  FakeDevice busy = kestro_testing::AnsweringDevice(kHighAnswer);
  busy.opens = std::vector<LinkOpenStatus>(100, kBusy);
  // Says it is closed in an unsolicited frame, and never answers.
  const FakeDevice frame_only = Replying({{30, {0x14, 0x00, 0x00, 0x00}}});
  // Answers once, then never again.
  FakeDevice answers_once;
  auto answered = std::make_shared<bool>(false);
  answers_once.reply = [answered](int64_t) {
    if (*answered) return std::vector<DevicePiece>{};
    *answered = true;
    return std::vector<DevicePiece>{{20, kLowAnswer}};
  };
  // clang-format off
  return {
      {"closed at the fourth read", closing_at_500, DrawerState::kClosed, 2000, true, 620,
       DrawerState::kClosed, "", {0, 200, 400, 600},
       {"open@20", "open@220", "open@420", "closed@620"}},
      {"already there", closing_at_500, DrawerState::kOpen, 2000, true, 20, DrawerState::kOpen,
       "", {0}, {"open@20"}},
      {"never there", kestro_testing::AnsweringDevice(kHighAnswer), DrawerState::kOpen, 1000,
       false, 1000,
       DrawerState::kClosed, "", {0, 200, 400, 600, 800},
       {"closed@20", "closed@220", "closed@420", "closed@620", "closed@820"}},
      {"silent: each read takes its longest", FakeDevice{}, DrawerState::kClosed, 2500, false,
       2500, DrawerState::kUnknown, "no answer", {0, 1000, 2000},
       {"unknown: no answer@1000", "unknown: no answer@2000", "unknown: no answer@2500"}},
      {"a known state outlives later failures", answers_once, DrawerState::kClosed, 1500,
       false, 1500, DrawerState::kOpen, "", {0, 200, 1200},
       {"open@20", "unknown: no answer@1200", "unknown: no answer@1500"}},
      {"busy all along", busy, DrawerState::kClosed, 300, false, 300, DrawerState::kUnknown,
       "busy", {}, {"unknown: busy@300"}},
      {"an unsolicited frame ends it", frame_only, DrawerState::kClosed, 2000, true, 30,
       DrawerState::kClosed, "", {0}, {"closed@30"}},
      {"no time", closing_at_500, DrawerState::kOpen, 0, false, 0, DrawerState::kUnknown,
       "no answer", {0}, {"unknown: no answer@0"}},
  };
  // clang-format on
}

// Each reading of the wait is told as soon as it is made.
TEST(WaitForDrawer, ReadsEvery200MsUntilTheStateOrTheTime) {
  for (const WaitCase& c : WaitCases()) {
    SCOPED_TRACE(c.label);
    auto clock = std::make_shared<ManualDrawerClock>();
    FakeLinkOpener opener(clock);
    opener.Add("COM3", c.device);
    std::vector<std::string> told;
    const EachReading each = [&told, &clock](const DrawerReading& reading) {
      const std::string state = StateName(reading.state);
      told.push_back((reading.reason.empty() ? state : state + ": " + reading.reason) + "@" +
                     std::to_string(clock->NowMs()));
    };
    const DrawerWait wait = WaitForDrawer(Query(u"COM3"), c.target, c.timeout_ms, opener, *clock,
                                          nullptr, nullptr, each);
    EXPECT_EQ(wait.reached, c.reached);
    EXPECT_EQ(wait.waited_ms, c.waited_ms);
    EXPECT_EQ(wait.reading.state, c.state);
    EXPECT_EQ(wait.reading.reason, c.reason);
    EXPECT_EQ(SendTimes(opener.log()), c.sends);
    EXPECT_EQ(clock->NowMs(), c.waited_ms);
    EXPECT_EQ(told, c.told);
  }
}

}  // namespace
}  // namespace kestro
