// The handler's calls about the drawer's state, on a till of fakes with the
// state service's threads: answered later, on the UI thread (the test's),
// exactly once; and "openDrawer" with and without a confirmation.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cash_drawer/cash_drawer_handler.h"
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
using kestro_testing::QueuedUiTaskRunner;
using kestro_testing::RecordingResult;
using kestro_testing::RecordingWatcher;
using kestro_testing::SameValue;

// A till with the service, calls handled as the channel would.
struct StateRun {
  explicit StateRun(DrawerStateService::Limits limits = {})
      : service(std::make_unique<DrawerStateService>(till.backend(), runner, limits)) {
    till.spooler->next_job_id = 7;
  }

  // Handles `method` with `arguments`; returns whether it was answered before
  // the handler returned.
  bool Handle(const std::string& method, std::optional<EncodableValue> arguments,
              bool with_service = true) {
    auto argument = arguments ? std::make_unique<EncodableValue>(*arguments) : nullptr;
    HandleCashDrawerCall(MethodCall(method, std::move(argument)),
                         std::make_unique<RecordingResult>(&answer), *till.spooler,
                         {&watcher, with_service ? service.get() : nullptr});
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
  std::unique_ptr<DrawerStateService> service;
};

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
};

TEST(HandleCashDrawerCall, AnswersStateCallsLaterOnTheUiThread) {
  // clang-format off
  const StateCallCase cases[] = {
      {"getDrawerState", {},
       {{"state", "closed"}, {"printerName", "Receipt"}, {"via", "COM2"}, {"level", "high"}}},
      {"getDrawerState", {{"printerName", "Kitchen"}, {"openLevel", "high"}},
       {{"state", "closed"}, {"printerName", "Kitchen"}, {"via", "USB002"}, {"level", "low"}}},
      {"waitForDrawer", {{"modelHint", "kitchen"}, {"state", "open"}},
       {{"state", "open"}, {"printerName", "Kitchen"}, {"via", "USB002"}, {"level", "low"},
        {"reached", true}, {"waitedMs", 20}}},
      {"waitForDrawer", {{"printerName", "Office"}},
       {{"state", "unknown"}, {"printerName", "Office"}, {"via", "none"},
        {"reason", kNoChannelReason}, {"reached", false}, {"waitedMs", 0}}},
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
};

TEST(HandleCashDrawerCall, ConfirmsAnOpenDrawerWhenAsked) {
  const ValueMap failed = {{"success", false},
                           {"message", kOpenFailedMessage},
                           {"errorCode", int32_t{kInvalidPrinterNameError}}};
  // clang-format off
  const ConfirmCase cases[] = {
      {"opened", {{"printerName", "Kitchen"}, {"confirmWithinMs", 1000}}, true, false,
       With(Sent("Kitchen"), "drawerOpened", true)},
      {"did not open", {{"confirmWithinMs", int64_t{300}}}, true, false,
       With(Sent("Receipt"), "drawerOpened", false)},
      {"the call's level", {{"confirmWithinMs", 300}, {"openLevel", "high"}}, true, false,
       With(Sent("Receipt"), "drawerOpened", true)},
      {"no channel: no key", {{"printerName", "Office"}, {"confirmWithinMs", 300}}, true, false,
       Sent("Office")},
      {"not asked", {{"printerName", "Kitchen"}}, true, true, Sent("Kitchen")},
      {"0", {{"printerName", "Kitchen"}, {"confirmWithinMs", 0}}, true, true, Sent("Kitchen")},
      {"negative", {{"printerName", "Kitchen"}, {"confirmWithinMs", -1}}, true, true,
       Sent("Kitchen")},
      {"not an integer", {{"printerName", "Kitchen"}, {"confirmWithinMs", 1000.0}}, true, true,
       Sent("Kitchen")},
      {"no kick sent", {{"printerName", "Bar"}, {"confirmWithinMs", 1000}}, true, true, failed},
      {"no service", {{"printerName", "Kitchen"}, {"confirmWithinMs", 1000}}, false, true,
       Sent("Kitchen")},
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
  }
}

// The window closes while the confirmation waits: the kick's answer comes at
// once, without "drawerOpened", and the read still running ends without
// another.
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
}

}  // namespace
}  // namespace kestro
