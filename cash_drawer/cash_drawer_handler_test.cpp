#include "cash_drawer/cash_drawer_handler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audit/testing/recording_audit.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/fake_settings_store.h"
#include "cash_drawer/testing/recording_kick_watcher.h"
#include "codec/testing/recording_result.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::ValueList;
using flutter::ValueMap;
using kestro_testing::Answer;
using kestro_testing::Describe;
using kestro_testing::FakePrintSpooler;
using kestro_testing::RecordingResult;
using kestro_testing::RecordingWatcher;
using kestro_testing::SameValue;

// Two printers, "Office Laser" the default, both accepting jobs.
FakePrintSpooler OfficeSpooler() {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Office Laser", u"HP LaserJet", u"IP_10.0.0.5"},
                      {u"Receipt Printer", u"EPSON TM-T88V", u"USB001"}};
  spooler.default_printer = u"Office Laser";
  return spooler;
}

Answer Handle(const std::string& method, std::optional<EncodableValue> arguments,
              FakePrintSpooler& spooler) {
  Answer answer;
  auto argument = arguments ? std::make_unique<EncodableValue>(*arguments) : nullptr;
  HandleCashDrawerCall(MethodCall(method, std::move(argument)),
                       std::make_unique<RecordingResult>(&answer), spooler);
  return answer;
}

ValueMap Sent(const char* printer) {
  return {{"success", true}, {"message", kSentMessage}, {"printerName", printer}};
}

TEST(HandleCashDrawerCall, AnswersOnceAndDestroysTheResultBeforeReturning) {
  for (const char* method : {"listPrinters", "openDrawer", "closeDrawer"}) {
    SCOPED_TRACE(method);
    FakePrintSpooler spooler = OfficeSpooler();
    const Answer answer = Handle(method, EncodableValue(ValueMap{}), spooler);
    EXPECT_EQ(answer.count, 1);
    EXPECT_TRUE(answer.destroyed);
  }
}

TEST(HandleCashDrawerCall, ListPrintersIgnoresArgumentsAndAnswersTheList) {
  const std::optional<EncodableValue> argument_cases[] = {
      std::nullopt, EncodableValue(), EncodableValue("all"),
      EncodableValue(ValueMap{{"printerName", "x"}})};
  for (const auto& arguments : argument_cases) {
    FakePrintSpooler spooler = OfficeSpooler();
    const Answer answer = Handle("listPrinters", arguments, spooler);
    ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
    const EncodableValue expected = ValueList{
        ValueMap{{"name", "Office Laser"},
                 {"driverName", "HP LaserJet"},
                 {"portName", "IP_10.0.0.5"},
                 {"isDefault", true}},
        ValueMap{{"name", "Receipt Printer"},
                 {"driverName", "EPSON TM-T88V"},
                 {"portName", "USB001"},
                 {"isDefault", false}},
    };
    EXPECT_TRUE(SameValue(*answer.value, expected));
  }
}

TEST(HandleCashDrawerCall, ListPrintersWithNoPrintersAnswersAnEmptyList) {
  FakePrintSpooler spooler;
  const Answer answer = Handle("listPrinters", std::nullopt, spooler);
  ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
  EXPECT_TRUE(SameValue(*answer.value, EncodableValue(ValueList{})));
}

TEST(HandleCashDrawerCall, OpenDrawerWithoutAMapIsTheOnlyChannelError) {
  const std::optional<EncodableValue> not_maps[] = {
      std::nullopt,
      EncodableValue(),
      EncodableValue(ValueList{EncodableValue(ValueMap{})}),
      EncodableValue("Receipt Printer"),
      EncodableValue(int32_t{1}),
      EncodableValue(flutter::ByteArray{0x1B}),
  };
  for (const auto& arguments : not_maps) {
    SCOPED_TRACE(arguments ? Describe(*arguments) : "absent");
    FakePrintSpooler spooler = OfficeSpooler();
    const Answer answer = Handle("openDrawer", arguments, spooler);
    EXPECT_EQ(answer.kind, Answer::Kind::kError);
    EXPECT_EQ(answer.error_code, "invalid_arguments");
    EXPECT_EQ(answer.error_message, "Cash drawer arguments are missing.");
    EXPECT_FALSE(answer.value.has_value());
    EXPECT_TRUE(spooler.calls().empty());
  }
}

TEST(HandleCashDrawerCall, OtherMethodNamesAreNotImplemented) {
  for (const char* method : {"OpenDrawer", "openDrawer ", "listprinters", "", "open"}) {
    SCOPED_TRACE(method);
    FakePrintSpooler spooler = OfficeSpooler();
    const Answer answer = Handle(method, EncodableValue(ValueMap{}), spooler);
    EXPECT_EQ(answer.kind, Answer::Kind::kNotImplemented);
    EXPECT_TRUE(spooler.calls().empty());
  }
}

struct OpenDrawerCase {
  const char* label;
  ValueMap arguments;
  const char* opened;  // null when no printer is opened
  std::vector<uint8_t> bytes;
};

const std::vector<uint8_t> kDefaultCommand = {0x1B, 0x70, 0x00, 0x19, 0xFA};

std::vector<OpenDrawerCase> OpenDrawerCases() {
  const int64_t two_to_32 = int64_t{1} << 32;
  return {
      {"empty map: default printer, default command", {}, "Office Laser", kDefaultCommand},
      {"named printer", {{"printerName", "receipt printer"}}, "Receipt Printer", kDefaultCommand},
      {"hint", {{"modelHint", "RECEIPT"}}, "Receipt Printer", kDefaultCommand},
      {"printer name that is a number falls to the hint",
       {{"printerName", int32_t{7}}, {"modelHint", "receipt"}},
       "Receipt Printer",
       kDefaultCommand},
      {"pulseOn as a double takes the default",
       {{"pulseOn", 30.0}},
       "Office Laser",
       kDefaultCommand},
      {"64-bit pin 2^32 + 1 is pin 1",
       {{"pin", two_to_32 + 1}},
       "Office Laser",
       {0x1B, 0x70, 0x01, 0x19, 0xFA}},
      {"64-bit pin 2^32 is pin 0", {{"pin", two_to_32}}, "Office Laser", kDefaultCommand},
      {"all entries",
       {{"printerName", "Receipt Printer"},
        {"protocol", "starPrnt"},
        {"pin", int32_t{1}},
        {"pulseOn", int32_t{50}},
        {"pulseOff", int64_t{500}}},
       "Receipt Printer",
       {0x1B, 0x07, 0x32, 0x7F, 0x1A}},
      {"ascii protocol",
       {{"protocol", "escPosAscii"}, {"pulseOff", int32_t{-3}}},
       "Office Laser",
       {0x1B, 0x70, 0x30, 0x19, 0x00}},
      {"protocol in other case", {{"protocol", "STARPRNT"}}, "Office Laser", kDefaultCommand},
      {"ill-formed protocol", {{"protocol", "starPrnt\xC3"}}, "Office Laser", kDefaultCommand},
      {"protocol of the wrong type", {{"protocol", true}}, "Office Laser", kDefaultCommand},
      {"entries under other or non-string keys are ignored",
       {{"PIN", int32_t{1}},
        {EncodableValue(int32_t{1}), "pin"},
        {EncodableValue(flutter::ByteArray{'p', 'i', 'n'}), int32_t{1}}},
       "Office Laser",
       kDefaultCommand},
  };
}

TEST(HandleCashDrawerCall, OpenDrawerReadsItsArgumentsAndSendsTheCommand) {
  for (const OpenDrawerCase& c : OpenDrawerCases()) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = OfficeSpooler();
    const Answer answer = Handle("openDrawer", EncodableValue(c.arguments), spooler);
    ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
    EXPECT_TRUE(SameValue(*answer.value, EncodableValue(Sent(c.opened))));
    EXPECT_EQ(spooler.written_bytes(), c.bytes);
  }
}

TEST(HandleCashDrawerCall, OpenDrawerWithoutADefaultPrinterSaysSo) {
  FakePrintSpooler spooler = OfficeSpooler();
  spooler.default_printer.clear();
  const Answer answer = Handle("openDrawer", EncodableValue(ValueMap{}), spooler);
  ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
  const ValueMap expected = {{"success", false}, {"message", kNoPrinterMessage}};
  EXPECT_TRUE(SameValue(*answer.value, EncodableValue(expected)));
  EXPECT_TRUE(spooler.JobCalls().empty());
}

TEST(HandleCashDrawerCall, APrinterFailureIsASuccessfulAnswer) {
  FakePrintSpooler spooler = OfficeSpooler();
  const Answer answer =
      Handle("openDrawer", EncodableValue(ValueMap{{"printerName", "Kitchen"}}), spooler);
  ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
  const ValueMap expected = {
      {"success", false}, {"message", kOpenFailedMessage}, {"errorCode", int32_t{1801}}};
  EXPECT_TRUE(SameValue(*answer.value, EncodableValue(expected)));
  EXPECT_EQ(spooler.opened_names(), std::vector<std::u16string>{u"Kitchen"});
}

// "expireAfterMs" is read like "pin"; a sent command is handed over only
// after the answer, and only when it is to be watched.
TEST(HandleCashDrawerCall, HandsASentCommandToTheWatcherAfterAnswering) {
  constexpr int64_t kNotWatched = -1;
  const int64_t two_to_32 = int64_t{1} << 32;
  struct Case {
    const char* label;
    std::optional<EncodableValue> expire;
    int64_t watched_for;
  };
  const Case cases[] = {
      {"missing", std::nullopt, 30000},
      {"32-bit", EncodableValue(int32_t{5000}), 5000},
      {"64-bit, low 32 bits", EncodableValue(two_to_32 + 1000), 1000},
      {"64-bit whose low 32 bits are 0", EncodableValue(two_to_32), kNotWatched},
      {"double", EncodableValue(5000.0), 30000},
      {"string", EncodableValue("5000"), 30000},
      {"zero", EncodableValue(int32_t{0}), kNotWatched},
      {"negative", EncodableValue(int64_t{-5}), kNotWatched},
      {"the cap", EncodableValue(int32_t{600000}), 600000},
      {"above the cap", EncodableValue(int32_t{600001}), 600000},
      {"largest", EncodableValue(std::numeric_limits<int32_t>::max()), 600000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = OfficeSpooler();
    spooler.next_job_id = 7;
    ValueMap arguments = {{"printerName", "receipt printer"}};
    if (c.expire) arguments.emplace("expireAfterMs", *c.expire);
    Answer answer;
    RecordingWatcher watcher(&answer);
    HandleCashDrawerCall(MethodCall("openDrawer", std::make_unique<EncodableValue>(arguments)),
                         std::make_unique<RecordingResult>(&answer), spooler, {&watcher});
    EXPECT_TRUE(SameValue(*answer.value, EncodableValue(Sent("Receipt Printer"))));
    if (c.watched_for == kNotWatched) {
      EXPECT_TRUE(watcher.kicks.empty());
      continue;
    }
    ASSERT_EQ(watcher.kicks.size(), 1u);
    EXPECT_EQ(watcher.kicks[0].printer_name, u"Receipt Printer");
    EXPECT_EQ(watcher.kicks[0].job_id, 7u);
    EXPECT_EQ(watcher.kicks[0].expire_after_ms, c.watched_for);
    EXPECT_EQ(watcher.kicks[0].answers_before, 1);
  }
}

// A command the spooler did not take, or never got, is not watched.
TEST(HandleCashDrawerCall, HandsNoFailedCommandToTheWatcher) {
  const FakePrintSpooler::Step failing_steps[] = {FakePrintSpooler::Step::kOpenPrinter,
                                                  FakePrintSpooler::Step::kStartDocument,
                                                  FakePrintSpooler::Step::kWrite};
  for (FakePrintSpooler::Step step : failing_steps) {
    SCOPED_TRACE(static_cast<int>(step));
    FakePrintSpooler spooler = OfficeSpooler();
    spooler.FailAt(step, 5);
    Answer answer;
    RecordingWatcher watcher(&answer);
    HandleCashDrawerCall(MethodCall("openDrawer", std::make_unique<EncodableValue>(ValueMap{})),
                         std::make_unique<RecordingResult>(&answer), spooler, {&watcher});
    EXPECT_TRUE(SameValue(answer.value->Get<ValueMap>().at(EncodableValue("success")), false));
    EXPECT_TRUE(watcher.kicks.empty());
  }
}

// The machine's time is the default of a call that gives none; a policy's
// replaces the call's.
TEST(HandleCashDrawerCall, WatchesForTheTimeTheSettingsGive) {
  using Value = kestro_testing::FakeSettingsStore::Value;
  struct Case {
    const char* label;
    std::optional<Value> machine;
    std::optional<Value> policy;
    std::optional<int32_t> asked;
    std::optional<int64_t> watched_for;
  };
  const Case cases[] = {
      {"machine, none asked", 5000u, std::nullopt, std::nullopt, 5000},
      {"machine, asked", 5000u, std::nullopt, 7000, 7000},
      {"policy over the call", 5000u, 9000u, 7000, 9000},
      {"policy 0 over the call: not watched", std::nullopt, 0u, 7000, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    kestro_testing::FakeSettingsStore store;
    const std::u16string name = kExpireAfterMsSetting.value_name;
    if (c.machine) store.SetNumber(SettingScope::kMachine, name, *c.machine);
    if (c.policy) store.SetNumber(SettingScope::kPolicy, name, *c.policy);
    DrawerSettingsReader settings(store);
    FakePrintSpooler spooler = OfficeSpooler();
    ValueMap arguments;
    if (c.asked) arguments.emplace("expireAfterMs", *c.asked);
    Answer answer;
    RecordingWatcher watcher(&answer);
    kestro_testing::StderrCapture capture;
    HandleCashDrawerCall(MethodCall("openDrawer", std::make_unique<EncodableValue>(arguments)),
                         std::make_unique<RecordingResult>(&answer), spooler,
                         {&watcher, nullptr, nullptr, &settings});
    capture.TakeLines();
    std::vector<int64_t> watched;
    for (const RecordingWatcher::Kick& kick : watcher.kicks)
      watched.push_back(kick.expire_after_ms);
    EXPECT_EQ(watched,
              c.watched_for ? std::vector<int64_t>{*c.watched_for} : std::vector<int64_t>{});
  }
}

// Keeps each event with the number of answers given before it.
class AnswerCountingSink : public AuditSink {
 public:
  explicit AnswerCountingSink(const Answer* answer) : answer_(answer) {}
  void Take(const AuditEvent& event) override {
    events.push_back(event);
    answers_before.push_back(answer_->count);
  }
  std::vector<AuditEvent> events;
  std::vector<int> answers_before;

 private:
  const Answer* answer_;
};

// Every "openDrawer" on a map is one event, told after the answer.
TEST(HandleCashDrawerCall, TellsTheAuditWhatBecameOfTheCommandAfterAnswering) {
  using kestro_testing::Event;
  using Kind = AuditEventKind;
  const std::string receipt = "Receipt Printer";
  struct Case {
    const char* label;
    std::string method;
    std::optional<EncodableValue> arguments;
    std::optional<FakePrintSpooler::Step> failing;
    bool no_printers;
    std::vector<AuditEvent> events;
  };
  const std::vector<Case> cases = {
      {"the default printer",
       "openDrawer",
       EncodableValue(ValueMap{}),
       std::nullopt,
       false,
       {Event(Kind::kKickSent, {std::string("Office Laser"), int64_t{1}, std::string("escPos"),
                                int64_t{0}, std::string("app")})}},
      {"an unknown printer",
       "openDrawer",
       EncodableValue(ValueMap{{"printerName", "Kitchen"}}),
       std::nullopt,
       false,
       {Event(Kind::kKickNotSent, {std::string("Kitchen"), std::string(kOpenFailedMessage),
                                   int64_t{1801}, std::string("app")})}},
      {"no printer at all",
       "openDrawer",
       EncodableValue(ValueMap{}),
       std::nullopt,
       true,
       {Event(Kind::kKickNotSent, {std::string(), std::string(kNoPrinterMessage), std::monostate(),
                                   std::string("app")})}},
      {"no map", "openDrawer", EncodableValue("Receipt"), std::nullopt, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler = OfficeSpooler();
    if (c.no_printers) spooler = FakePrintSpooler();
    if (c.failing) spooler.FailAt(*c.failing, 5);
    Answer answer;
    AnswerCountingSink sink(&answer);
    AuditTrail audit({&sink});
    auto argument = c.arguments ? std::make_unique<EncodableValue>(*c.arguments) : nullptr;
    HandleCashDrawerCall(MethodCall(c.method, std::move(argument)),
                         std::make_unique<RecordingResult>(&answer), spooler,
                         {nullptr, nullptr, &audit});
    EXPECT_EQ(sink.events, c.events);
    EXPECT_EQ(sink.answers_before, std::vector<int>(c.events.size(), 1));
  }
}

TEST(ReadIntArgument, TakesIntegersAndDefaultsEverythingElse) {
  constexpr int32_t kDefault = 250;
  const int64_t two_to_32 = int64_t{1} << 32;
  struct Case {
    const char* label;
    std::optional<EncodableValue> value;
    int32_t read;
  };
  const Case cases[] = {
      {"missing", std::nullopt, kDefault},
      {"32-bit", EncodableValue(int32_t{-7}), -7},
      {"32-bit zero", EncodableValue(int32_t{0}), 0},
      {"32-bit lowest", EncodableValue(std::numeric_limits<int32_t>::min()),
       std::numeric_limits<int32_t>::min()},
      {"64-bit small", EncodableValue(int64_t{30}), 30},
      {"64-bit 2^32 + 1", EncodableValue(two_to_32 + 1), 1},
      {"64-bit 2^32", EncodableValue(two_to_32), 0},
      {"64-bit -1", EncodableValue(int64_t{-1}), -1},
      {"64-bit 2^31", EncodableValue(int64_t{1} << 31), std::numeric_limits<int32_t>::min()},
      {"64-bit lowest", EncodableValue(std::numeric_limits<int64_t>::min()), 0},
      {"whole double", EncodableValue(30.0), kDefault},
      {"bool", EncodableValue(true), kDefault},
      {"numeric string", EncodableValue("30"), kDefault},
      {"null", EncodableValue(), kDefault},
      {"list", EncodableValue(ValueList{EncodableValue(int32_t{30})}), kDefault},
      {"map", EncodableValue(ValueMap{{"pulseOff", int32_t{30}}}), kDefault},
      {"int array", EncodableValue(flutter::Int32Array{30}), kDefault},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ValueMap arguments = {{"other", int32_t{99}}};
    if (c.value) arguments.emplace("pulseOff", *c.value);
    EXPECT_EQ(ReadIntArgument(arguments, "pulseOff", kDefault), c.read);
  }
}

TEST(ReadStringArgument, TakesStringsAndDefaultsEverythingElseToEmpty) {
  struct Case {
    const char* label;
    std::optional<EncodableValue> value;
    std::u16string read;
  };
  const Case cases[] = {
      {"missing", std::nullopt, u""},
      {"string", EncodableValue("Receipt"), u"Receipt"},
      {"non-ASCII string", EncodableValue("Caisse \xC3\xA9"), u"Caisse \u00E9"},
      {"empty string", EncodableValue(""), u""},
      {"ill-formed string", EncodableValue("a\xFF"), u"a\uFFFD"},
      {"number", EncodableValue(int32_t{5}), u""},
      {"null", EncodableValue(), u""},
      {"bytes", EncodableValue(flutter::ByteArray{'R'}), u""},
      {"list of a string", EncodableValue(ValueList{EncodableValue("R")}), u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ValueMap arguments = {{"modelHintX", "wrong"}};
    if (c.value) arguments.emplace("modelHint", *c.value);
    EXPECT_EQ(ReadStringArgument(arguments, "modelHint"), c.read);
  }
}

}  // namespace
}  // namespace kestro
