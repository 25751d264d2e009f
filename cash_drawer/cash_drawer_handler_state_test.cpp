// The handler's calls about the drawer's state, on a till of fakes with the
// state service's threads: answered later, on the UI thread (the test's),
// exactly once; and "openDrawer" with and without a confirmation. Each call's
// events on the audit trail: the kick, and what its readings found.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audit/drawer_open_tracker.h"
#include "audit/testing/recording_audit.h"
#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/drawer_reading_audit.h"
#include "cash_drawer/testing/drawer_state_till.h"
#include "cash_drawer/testing/queued_ui_task_runner.h"
#include "cash_drawer/testing/recording_kick_watcher.h"
#include "codec/testing/recording_result.h"
#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::ValueMap;
using kestro_testing::Answer;
using kestro_testing::DrawerStateTill;
using kestro_testing::Event;
using kestro_testing::QueuedUiTaskRunner;
using kestro_testing::RecordingResult;
using kestro_testing::RecordingWatcher;
using kestro_testing::SameValue;

using Kind = AuditEventKind;

// A drawer on COM7 that reads open (low) until 500 ms, closed from then on.
kestro_testing::FakeDevice ClosingAt500() {
  kestro_testing::FakeDevice device;
  device.reply = [](int64_t sent_ms) {
    const uint8_t status = sent_ms >= 500 ? 0x16 : 0x12;
    return std::vector<kestro_testing::DevicePiece>{{20, {status}}};
  };
  return device;
}

// A till with the service, calls handled as the channel would, the audit
// trail told of the kicks and of the readings, with a warning limit of 1 s.
struct StateRun {
  explicit StateRun(DrawerStateService::Limits limits = {})
      : service(std::make_unique<DrawerStateService>(till.backend(), runner, limits, &readings)) {
    till.spooler->next_job_id = 7;
    till.opener->Add("COM7", ClosingAt500());
    till.settings->SetNumber(SettingScope::kMachine, kOpenWarningSecondsSetting.value_name, 1u);
  }

  // Handles `method` with `arguments`; returns whether it was answered before
  // the handler returned.
  bool Handle(const std::string& method, std::optional<EncodableValue> arguments,
              bool with_service = true) {
    auto argument = arguments ? std::make_unique<EncodableValue>(*arguments) : nullptr;
    HandleCashDrawerCall(
        MethodCall(method, std::move(argument)), std::make_unique<RecordingResult>(&answer),
        *till.spooler, {&watcher, with_service ? service.get() : nullptr, &audit.trail, &settings});
    return answer.count > 0;
  }

  // Plays the UI thread until the call is answered.
  void AwaitAnswer() {
    runner.AwaitPosted(1);
    EXPECT_EQ(runner.RunQueued(), 1u);
  }

  DrawerStateTill till;
  QueuedUiTaskRunner runner;
  Answer answer;
  RecordingWatcher watcher{&answer};
  kestro_testing::RecordingAudit audit;
  DrawerOpenTracker tracker{audit.trail};
  DrawerSettingsReader settings{*till.settings};
  DrawerReadingAuditor readings{tracker, settings};
  std::unique_ptr<DrawerStateService> service;
};

AuditEvent ReadOpen(const char* printer) {
  return Event(Kind::kDrawerReadOpen, {std::string(printer)});
}
AuditEvent KickSent(const char* printer) {
  return Event(Kind::kKickSent, {std::string(printer), int64_t{7}, std::string("escPos"),
                                 int64_t{0}, std::string("app")});
}

ValueMap Sent(const char* printer) {
  return {{"success", true}, {"message", kSentMessage}, {"printerName", printer}};
}
ValueMap With(ValueMap map, const char* key, EncodableValue value) {
  map.emplace(key, std::move(value));
  return map;
}

struct StateCallCase {
  const char* method;
  ValueMap arguments;
  ValueMap answer;
  // What the call's readings put on the audit trail.
  std::vector<AuditEvent> events;
};

TEST(HandleCashDrawerCall, AnswersStateCallsLaterOnTheUiThread) {
  // clang-format off
  const StateCallCase cases[] = {
      {"getDrawerState", {},
       {{"state", "closed"}, {"printerName", "Receipt"}, {"via", "COM2"}, {"level", "high"}},
       {}},
      {"getDrawerState", {{"printerName", "Kitchen"}, {"openLevel", "high"}},
       {{"state", "closed"}, {"printerName", "Kitchen"}, {"via", "USB002"}, {"level", "low"}},
       {}},
      {"getDrawerState", {{"printerName", "Kitchen"}},
       {{"state", "open"}, {"printerName", "Kitchen"}, {"via", "USB002"}, {"level", "low"}},
       {ReadOpen("Kitchen")}},
      {"waitForDrawer", {{"modelHint", "kitchen"}, {"state", "open"}},
       {{"state", "open"}, {"printerName", "Kitchen"}, {"via", "USB002"}, {"level", "low"},
        {"reached", true}, {"waitedMs", 20}},
       {ReadOpen("Kitchen")}},
      // Every read of the wait is told: the drawer read open, then closed.
      {"waitForDrawer", {{"via", "COM7"}},
       {{"state", "closed"}, {"printerName", "Receipt"}, {"via", "COM7"}, {"level", "high"},
        {"reached", true}, {"waitedMs", 620}},
       {ReadOpen("Receipt"),
        Event(Kind::kDrawerReadClosed, {std::string("Receipt"), int64_t{600}})}},
      // Read open past the limit of 1 s, told once: at the first reading
      // after it, 1200 ms after the first that read open.
      {"waitForDrawer", {{"printerName", "Kitchen"}, {"timeoutMs", 1500}},
       {{"state", "open"}, {"printerName", "Kitchen"}, {"via", "USB002"}, {"level", "low"},
        {"reached", false}, {"waitedMs", 1500}},
       {ReadOpen("Kitchen"),
        Event(Kind::kDrawerLeftOpen, {std::string("Kitchen"), int64_t{1200}, int64_t{1}})}},
      {"waitForDrawer", {{"printerName", "Office"}},
       {{"state", "unknown"}, {"printerName", "Office"}, {"via", "none"},
        {"reason", kNoChannelReason}, {"reached", false}, {"waitedMs", 0}},
       {}},
  };
  // clang-format on
  for (const StateCallCase& c : cases) {
    SCOPED_TRACE(c.method);
    StateRun run;
    EXPECT_FALSE(run.Handle(c.method, EncodableValue(c.arguments)));
    EXPECT_FALSE(run.answer.destroyed);
    run.AwaitAnswer();
    EXPECT_EQ(run.answer.count, 1);
    EXPECT_TRUE(run.answer.destroyed);
    ASSERT_EQ(run.answer.kind, Answer::Kind::kSuccess);
    EXPECT_TRUE(SameValue(*run.answer.value, EncodableValue(c.answer)));
    EXPECT_TRUE(run.till.spooler->JobCalls().empty());
    EXPECT_EQ(run.audit.Events(), c.events);
  }
}

TEST(HandleCashDrawerCall, StateCallsWithoutAMapOrAServiceAreAnsweredAtOnce) {
  for (const char* method : {"getDrawerState", "waitForDrawer"}) {
    SCOPED_TRACE(method);
    StateRun not_a_map;
    EXPECT_TRUE(not_a_map.Handle(method, EncodableValue("Receipt")));
    EXPECT_EQ(not_a_map.answer.kind, Answer::Kind::kError);
    EXPECT_EQ(not_a_map.answer.error_code, "invalid_arguments");
    EXPECT_TRUE(not_a_map.answer.destroyed);

    StateRun no_service;
    EXPECT_TRUE(no_service.Handle(method, EncodableValue(ValueMap{}), false));
    ValueMap expected = {{"state", "unknown"},
                         {"printerName", "Receipt"},
                         {"via", "none"},
                         {"reason", kNoStateServiceReason}};
    if (std::string(method) == "waitForDrawer") {
      expected = With(With(expected, "reached", false), "waitedMs", 0);
    }
    EXPECT_TRUE(SameValue(*no_service.answer.value, EncodableValue(expected)));
    EXPECT_TRUE(no_service.answer.destroyed);
  }
  // Names that differ in letter case are other methods.
  StateRun run;
  EXPECT_TRUE(run.Handle("GetDrawerState", EncodableValue(ValueMap{})));
  EXPECT_EQ(run.answer.kind, Answer::Kind::kNotImplemented);
}

struct ConfirmCase {
  const char* label;
  ValueMap arguments;
  bool with_service;
  bool answered_at_once;
  ValueMap answer;
  // The kick, told before the confirmation's readings.
  std::vector<AuditEvent> events;
};

TEST(HandleCashDrawerCall, ConfirmsAnOpenDrawerWhenAsked) {
  const ValueMap failed = {{"success", false},
                           {"message", kOpenFailedMessage},
                           {"errorCode", int32_t{kInvalidPrinterNameError}}};
  // clang-format off
  const ConfirmCase cases[] = {
      {"opened", {{"printerName", "Kitchen"}, {"confirmWithinMs", 1000}}, true, false,
       With(Sent("Kitchen"), "drawerOpened", true), {KickSent("Kitchen"), ReadOpen("Kitchen")}},
      {"did not open", {{"confirmWithinMs", int64_t{300}}}, true, false,
       With(Sent("Receipt"), "drawerOpened", false), {KickSent("Receipt")}},
      {"the call's level", {{"confirmWithinMs", 300}, {"openLevel", "high"}}, true, false,
       With(Sent("Receipt"), "drawerOpened", true), {KickSent("Receipt"), ReadOpen("Receipt")}},
      {"no channel: no key", {{"printerName", "Office"}, {"confirmWithinMs", 300}}, true, false,
       Sent("Office"), {KickSent("Office")}},
      {"not asked", {{"printerName", "Kitchen"}}, true, true, Sent("Kitchen"),
       {KickSent("Kitchen")}},
      {"0", {{"printerName", "Kitchen"}, {"confirmWithinMs", 0}}, true, true, Sent("Kitchen"),
       {KickSent("Kitchen")}},
      {"negative", {{"printerName", "Kitchen"}, {"confirmWithinMs", -1}}, true, true,
       Sent("Kitchen"), {KickSent("Kitchen")}},
      {"not an integer", {{"printerName", "Kitchen"}, {"confirmWithinMs", 1000.0}}, true, true,
       Sent("Kitchen"), {KickSent("Kitchen")}},
      {"no kick sent", {{"printerName", "Bar"}, {"confirmWithinMs", 1000}}, true, true, failed,
       {Event(Kind::kKickNotSent, {std::string("Bar"), std::string(kOpenFailedMessage),
                                   int64_t{kInvalidPrinterNameError}, std::string("app")})}},
      {"no service", {{"printerName", "Kitchen"}, {"confirmWithinMs", 1000}}, false, true,
       Sent("Kitchen"), {KickSent("Kitchen")}},
  };
  // clang-format on
  for (const ConfirmCase& c : cases) {
    SCOPED_TRACE(c.label);
    StateRun run;
    EXPECT_EQ(run.Handle("openDrawer", EncodableValue(c.arguments), c.with_service),
              c.answered_at_once);
    // The kick is watched from the moment it is sent. (The spooler's log is
    // not read here: a service thread may be reading a printer's port.)
    const bool sent = std::string(c.label) != "no kick sent";
    ASSERT_EQ(run.watcher.kicks.size(), sent ? 1u : 0u);
    if (sent) {
      EXPECT_EQ(run.watcher.kicks[0].job_id, 7u);
      EXPECT_EQ(run.watcher.kicks[0].answers_before, c.answered_at_once ? 1 : 0);
    }
    if (!c.answered_at_once) run.AwaitAnswer();
    EXPECT_EQ(run.answer.count, 1);
    EXPECT_TRUE(run.answer.destroyed);
    EXPECT_TRUE(SameValue(*run.answer.value, EncodableValue(c.answer)));
    EXPECT_EQ(run.audit.Events(), c.events);
  }
}

// The window closes while the confirmation waits: the kick's answer comes at
// once, without "drawerOpened", and the read still running ends without
// another, and without a word to the audit.
TEST(HandleCashDrawerCall, AnswersAConfirmationCutShortByClosing) {
  StateRun run({4, 0});
  auto opener = run.till.opener;
  opener->Hold();
  EXPECT_FALSE(run.Handle("openDrawer", EncodableValue(ValueMap{{"printerName", "Kitchen"},
                                                                {"confirmWithinMs", 5000}})));
  opener->AwaitHeld(1);
  run.service.reset();
  EXPECT_EQ(run.answer.count, 1);
  EXPECT_TRUE(run.answer.destroyed);
  EXPECT_TRUE(SameValue(*run.answer.value, EncodableValue(Sent("Kitchen"))));
  opener->Release();
  std::weak_ptr<kestro_testing::FakeLinkOpener> watched = opener;
  opener.reset();
  run.till = DrawerStateTill();
  while (!watched.expired()) std::this_thread::yield();
  EXPECT_EQ(run.runner.RunQueued(), 0u);
  EXPECT_EQ(run.answer.count, 1);
  // The read that ended after the service is not told to the audit.
  EXPECT_EQ(run.audit.Events(), std::vector<AuditEvent>{KickSent("Kitchen")});
}

}  // namespace
}  // namespace kestro
