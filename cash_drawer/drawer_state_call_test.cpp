// Calls about the drawer's state on a till of fakes, carried out on the test's
// thread: each checked by its whole answer and the clock when it ended.

#include "cash_drawer/drawer_state_call.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "cash_drawer/testing/drawer_state_till.h"
#include "cash_drawer/text_conversion.h"
#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;
using kestro_testing::DrawerStateTill;
using kestro_testing::SameValue;

ValueMap Read(const char* printer, const char* via, const char* state, const char* level) {
  return {{"state", state}, {"printerName", printer}, {"via", via}, {"level", level}};
}
ValueMap Unknown(const char* printer, const char* via, const std::string& reason) {
  return {{"state", "unknown"}, {"printerName", printer}, {"via", via}, {"reason", reason}};
}
ValueMap Waited(ValueMap answer, bool reached, int32_t waited_ms) {
  answer.emplace("reached", reached);
  answer.emplace("waitedMs", waited_ms);
  return answer;
}

struct CallCase {
  const char* label;
  bool wait;
  ValueMap arguments;
  std::function<void(DrawerStateTill&)> arrange;
  ValueMap answer;
  int64_t ends_at;
};

std::vector<CallCase> CallCases() {
  const auto nothing = [](DrawerStateTill&) {};
  const std::string not_set = kNoChannelReason;
  // clang-format off
  return {
      {"the default printer, through its port", false, {}, nothing,
       Read("Receipt", "COM2", "closed", "high"), 20},
      {"the call's open level", false, {{"openLevel", "HIGH"}}, nothing,
       Read("Receipt", "COM2", "open", "high"), 20},
      {"the protocol picks the request", false, {{"protocol", "starPrnt"}}, nothing,
       Unknown("Receipt", "COM2", "no answer (1 byte that is no status)"), 1000},
      {"a printer without a channel", false, {{"printerName", "office"}}, nothing,
       Unknown("Office", "none", not_set), 0},
      {"the call's \"port\": a TCP port, busy", false,
       {{"printerName", "Office"}, {"via", "port"}}, nothing,
       Unknown("Office", "tcp 10.0.0.7:9100", "busy"), 1000},
      {"the policy beats the call", false,
       {{"modelHint", "KITCHEN"}, {"via", "COM5"}, {"timeoutMs", 300}}, nothing,
       Read("Kitchen", "USB002", "open", "low"), 20},
      {"a printer not listed has no port", false, {{"printerName", "Bar"}, {"via", "port"}},
       nothing,
       Unknown("Bar", "port", "the printer \"Bar\" is not listed, so its port is not known"), 0},
      {"the call beats the machine; the longest read", false,
       {{"via", "COM5"}, {"timeoutMs", int64_t{20000}}}, nothing,
       Unknown("Receipt", "COM5", "no answer"), 10000},
      {"a time that is no integer: the default", false, {{"via", "COM5"}, {"timeoutMs", 5.0}},
       nothing, Unknown("Receipt", "COM5", "no answer"), 1000},
      {"a negative time: none", false, {{"via", "COM5"}, {"timeoutMs", -5}}, nothing,
       Unknown("Receipt", "COM5", "no answer"), 0},
      {"no printer", false, {{"via", "COM2"}},
       [](DrawerStateTill& till) { till.spooler->default_printer.clear(); },
       Unknown("", "COM2", kNoPrinterReason), 0},
      {"wait for open: not reached", true, {{"state", "open"}, {"timeoutMs", 500}}, nothing,
       Waited(Read("Receipt", "COM2", "closed", "high"), false, 500), 500},
      {"wait for closed by default: reached", true, {}, nothing,
       Waited(Read("Receipt", "COM2", "closed", "high"), true, 20), 20},
      {"a state in other letters is closed", true, {{"state", "OPEN"}}, nothing,
       Waited(Read("Receipt", "COM2", "closed", "high"), true, 20), 20},
      {"the longest wait", true,
       {{"via", "COM5"}, {"timeoutMs", std::numeric_limits<int32_t>::max()}}, nothing,
       Waited(Unknown("Receipt", "COM5", "no answer"), false, 600000), 600000},
      {"no channel: no wait", true, {{"printerName", "Office"}}, nothing,
       Waited(Unknown("Office", "none", not_set), false, 0), 0},
  };
  // clang-format on
}

TEST(DrawerStateCall, ReadsTheArgumentsAndAnswersWhatWasRead) {
  for (const CallCase& c : CallCases()) {
    SCOPED_TRACE(c.label);
    DrawerStateTill till;
    c.arrange(till);
    const DrawerStateCall call =
        ReadDrawerStateCall(c.arguments, c.wait, *till.spooler, till.settings.get());
    const DrawerStateOutcome outcome =
        CarryOutDrawerStateCall(call, till.backend(), nullptr, nullptr);
    EXPECT_TRUE(SameValue(EncodableValue(DrawerStateAnswer(outcome)), EncodableValue(c.answer)));
    EXPECT_EQ(till.clock->NowMs(), c.ends_at);
  }
}

// Without settings only the call says where the channel is.
TEST(DrawerStateCall, WithoutSettingsTakesTheCallAlone) {
  DrawerStateTill till;
  const DrawerStateCall call = ReadDrawerStateCall({{"printerName", "Kitchen"}, {"via", "COM2"}},
                                                   false, *till.spooler, nullptr);
  EXPECT_EQ(call.channel.source, SettingSource::kCall);
  const DrawerStateOutcome outcome =
      CarryOutDrawerStateCall(call, till.backend(), nullptr, nullptr);
  EXPECT_TRUE(SameValue(EncodableValue(DrawerStateAnswer(outcome)),
                        EncodableValue(Read("Kitchen", "COM2", "closed", "high"))));
  EXPECT_TRUE(till.settings->reads().empty());
}

TEST(DrawerOpenedOf, IsTheWaitsResultWhenAStateWasRead) {
  DrawerStateTill till;
  struct Case {
    const char* printer;
    int32_t within_ms;
    std::optional<bool> opened;
  };
  const Case cases[] = {
      {"Kitchen", 1000, true}, {"Receipt", 1000, false}, {"Office", 1000, std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printer);
    const PrinterChoice printer{ToWideString(c.printer), PrinterRule::kInstalledName};
    const DrawerStateCall call =
        ReadConfirmationCall({{"openLevel", "low"}}, printer, c.within_ms, till.settings.get());
    EXPECT_EQ(call.wait_for, DrawerState::kOpen);
    EXPECT_EQ(call.timeout_ms, c.within_ms);
    EXPECT_EQ(DrawerOpenedOf(CarryOutDrawerStateCall(call, till.backend(), nullptr, nullptr)),
              c.opened);
  }
}

}  // namespace
}  // namespace kestro
