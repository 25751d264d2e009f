#include "cash_drawer/drawer_channel_choice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cash_drawer/testing/fake_port_monitor.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/fake_settings_store.h"
#include "codec/testing/stderr_capture.h"

namespace kestro {
namespace {

using kestro_testing::FakePortMonitor;
using kestro_testing::FakePrintSpooler;
using kestro_testing::FakeSettingsStore;
using kestro_testing::StderrCapture;
using Lines = std::vector<std::string>;
using Reads = std::vector<std::u16string>;

constexpr SettingScope kPolicy = SettingScope::kPolicy;
constexpr SettingScope kMachine = SettingScope::kMachine;
constexpr char16_t kPrinter[] = u"Receipt";

DrawerChannel Serial(const char16_t* port) { return *ParseDrawerChannel(port); }
const DrawerChannel kNoChannel{};

const Reads kPolicyRead = {u"DrawerStateVia/Receipt (policy)"};
const Reads kBothRead = {u"DrawerStateVia/Receipt (policy)", u"DrawerStateVia/Receipt (machine)"};

struct ChannelCase {
  const char* label;
  std::function<void(FakeSettingsStore&)> arrange;
  std::u16string printer;
  std::u16string via;  // the call's
  DrawerChannel channel;
  SettingSource source;
  Reads reads;
  Lines lines;
};

TEST(ChooseDrawerChannel, TakesPolicyThenCallThenMachineAndIgnoresWhatItCannotRead) {
  const auto set = [](SettingScope scope, const char16_t* value) {
    return [=](FakeSettingsStore& s) { s.Set(scope, kDrawerStateViaList, kPrinter, value); };
  };
  const auto both = [](SettingScope first, const char16_t* one, SettingScope second,
                       const char16_t* two) {
    return [=](FakeSettingsStore& s) {
      s.Set(first, kDrawerStateViaList, kPrinter, one);
      s.Set(second, kDrawerStateViaList, kPrinter, two);
    };
  };
  const auto nothing = [](FakeSettingsStore&) {};
  const std::string policy_name =
      "HKLM\\Software\\Policies\\kestro\\DrawerStateVia value \"Receipt\"";
  const std::string machine_name = "HKLM\\Software\\kestro\\DrawerStateVia value \"Receipt\"";
  // clang-format off
  const ChannelCase cases[] = {
      {"nothing set", nothing, kPrinter, u"", kNoChannel, SettingSource::kDefault, kBothRead, {}},
      {"policy", set(kPolicy, u"COM3"), kPrinter, u"COM4", Serial(u"COM3"),
       SettingSource::kPolicy, kPolicyRead, {}},
      {"policy \"none\" forbids what the call asks", both(kPolicy, u"none", kMachine, u"COM5"),
       kPrinter, u"COM4", kNoChannel, SettingSource::kPolicy, kPolicyRead, {}},
      {"call before machine", set(kMachine, u"COM5"), kPrinter, u"com4", Serial(u"COM4"),
       SettingSource::kCall, kPolicyRead, {}},
      {"machine", set(kMachine, u"tcp:10.0.0.5:9100"), kPrinter, u"",
       *ParseDrawerChannel(u"tcp:10.0.0.5:9100"), SettingSource::kMachine, kBothRead, {}},
      {"machine \"port\"", set(kMachine, u"PORT"), kPrinter, u"",
       *ParseDrawerChannel(u"port"), SettingSource::kMachine, kBothRead, {}},
      {"unreadable policy: the call", set(kPolicy, u"COM0"), kPrinter, u"COM4",
       Serial(u"COM4"), SettingSource::kCall, kPolicyRead,
       {"Warning: ignoring the setting " + policy_name + ": \"COM0\" is not a direct channel"}},
      {"policy of another type: the machine",
       [](FakeSettingsStore& s) {
         s.SetWrongType(kPolicy, kDrawerStateViaList, kPrinter);
         s.Set(kMachine, kDrawerStateViaList, kPrinter, u"COM5");
       },
       kPrinter, u"", Serial(u"COM5"), SettingSource::kMachine, kBothRead,
       {"Warning: ignoring the setting " + policy_name + ": it is not a string value"}},
      {"unreadable call: the machine", set(kMachine, u"COM5"), kPrinter, u"serial",
       Serial(u"COM5"), SettingSource::kMachine, kBothRead,
       {"Warning: ignoring the call's \"via\": \"serial\" is not a direct channel"}},
      {"unreadable machine: none", set(kMachine, u" COM5"), kPrinter, u"", kNoChannel,
       SettingSource::kDefault, kBothRead,
       {"Warning: ignoring the setting " + machine_name + ": \" COM5\" is not a direct channel"}},
      {"another printer's setting is not this one's", set(kMachine, u"COM5"), u"Office", u"",
       kNoChannel, SettingSource::kDefault,
       {u"DrawerStateVia/Office (policy)", u"DrawerStateVia/Office (machine)"}, {}},
      {"no printer: only the call", set(kPolicy, u"none"), u"", u"usb:USB001",
       *ParseDrawerChannel(u"usb:USB001"), SettingSource::kCall, {}, {}},
  };
  // clang-format on
  for (const ChannelCase& c : cases) {
    SCOPED_TRACE(c.label);
    FakeSettingsStore settings;
    c.arrange(settings);
    StderrCapture capture;
    const ChannelChoice choice = ChooseDrawerChannel(c.printer, c.via, settings);
    EXPECT_EQ(capture.TakeLines(), c.lines);
    EXPECT_EQ(choice.channel, c.channel);
    EXPECT_EQ(choice.source, c.source);
    EXPECT_EQ(settings.reads(), c.reads);
  }
}

TEST(ChooseOpenLevel, TakesPolicyThenCallThenMachineThenLow) {
  struct Case {
    const char* label;
    const char16_t* policy;  // null: not set
    const char16_t* machine;
    std::u16string argument;
    DrawerLevel level;
    SettingSource source;
    Lines lines;
  };
  // clang-format off
  const Case cases[] = {
      {"nothing set", nullptr, nullptr, u"", DrawerLevel::kLow, SettingSource::kDefault, {}},
      {"machine", nullptr, u"HIGH", u"", DrawerLevel::kHigh, SettingSource::kMachine, {}},
      {"call before machine", nullptr, u"low", u"high", DrawerLevel::kHigh,
       SettingSource::kCall, {}},
      {"policy before call", u"low", u"high", u"high", DrawerLevel::kLow,
       SettingSource::kPolicy, {}},
      {"unreadable machine", nullptr, u"open", u"", DrawerLevel::kLow, SettingSource::kDefault,
       {"Warning: ignoring the setting HKLM\\Software\\kestro\\DrawerOpenLevel value "
        "\"Receipt\": \"open\" is not \"low\" or \"high\""}},
      {"unreadable call", nullptr, u"high", u"1", DrawerLevel::kHigh, SettingSource::kMachine,
       {"Warning: ignoring the call's \"openLevel\": \"1\" is not \"low\" or \"high\""}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakeSettingsStore settings;
    if (c.policy != nullptr) settings.Set(kPolicy, kDrawerOpenLevelList, kPrinter, c.policy);
    if (c.machine != nullptr) settings.Set(kMachine, kDrawerOpenLevelList, kPrinter, c.machine);
    // A channel setting says nothing about the level.
    settings.Set(kPolicy, kDrawerStateViaList, kPrinter, u"high");
    StderrCapture capture;
    const OpenLevelChoice choice = ChooseOpenLevel(kPrinter, c.argument, settings);
    EXPECT_EQ(capture.TakeLines(), c.lines);
    EXPECT_EQ(choice.level, c.level);
    EXPECT_EQ(choice.source, c.source);
  }
}

TEST(ChannelOfPrinterPort, ReadsThePortFromThePrintersRecord) {
  FakePrintSpooler spooler;
  spooler.printers = {{u"Office", u"HP", u"IP_10.0.0.7"},
                      {u"Receipt", u"EPSON", u"COM2:"},
                      {u"Kitchen", u"Star", u"USB002"}};
  FakePortMonitor monitor({{u"IP_10.0.0.7", {"10.0.0.7", 9100, true}}});
  struct Case {
    std::u16string printer;
    std::optional<DrawerChannel> channel;
    std::string reason;
  };
  const Case cases[] = {
      {u"RECEIPT", Serial(u"COM2"), ""},
      {u"Kitchen", *ParseDrawerChannel(u"usb:USB002"), ""},
      {u"Office", *ParseDrawerChannel(u"tcp:10.0.0.7:9100"), ""},
      {u"Bar", std::nullopt, "the printer \"Bar\" is not listed, so its port is not known"},
  };
  for (const Case& c : cases) {
    std::string reason;
    EXPECT_EQ(ChannelOfPrinterPort(c.printer, spooler, monitor, &reason), c.channel);
    EXPECT_EQ(reason, c.reason);
  }
  // One enumeration at level 2 per call, and nothing else.
  EXPECT_EQ(spooler.CountOf(FakePrintSpooler::EnumCall(PrinterInfoLevel::kDetails, 0)), 4);
  EXPECT_TRUE(spooler.JobCalls().empty());
}

}  // namespace
}  // namespace kestro
