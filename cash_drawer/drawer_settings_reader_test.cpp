// The machine's settings read in their order (policy, machine, built-in),
// with values of the wrong type or out of range passed over and named once.

#include "cash_drawer/drawer_settings_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cash_drawer/testing/fake_settings_store.h"
#include "codec/testing/stderr_capture.h"

namespace kestro {
namespace {

using kestro_testing::FakeSettingsStore;
constexpr SettingScope kPolicy = SettingScope::kPolicy;
constexpr SettingScope kMachine = SettingScope::kMachine;

TEST(DrawerSettingsReader, TakesPolicyOverMachineOverBuiltInAndPassesOverBadValues) {
  const std::string policy = "Warning: ignored the setting HKLM\\Software\\Policies\\kestro\\";
  const std::string machine = "Warning: ignored the setting HKLM\\Software\\kestro\\";
  const std::string range = " is outside its range, 16 to 65536";
  struct Case {
    const char* name;
    std::vector<std::pair<SettingScope, FakeSettingsStore::Value>> given;
    EffectiveNumber expected;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"nothing set", {}, {1024, SettingSource::kDefault}, {}},
      {"machine", {{kMachine, 2048u}}, {2048, SettingSource::kMachine}, {}},
      {"policy over machine, the range's ends taken",
       {{kMachine, 16u}, {kPolicy, 65536u}},
       {65536, SettingSource::kPolicy},
       {}},
      {"a policy text passed over for the machine's number",
       {{kPolicy, std::u16string(u"64")}, {kMachine, 16u}},
       {16, SettingSource::kMachine},
       {policy + "DrawerLogSizeKB: it is not a REG_DWORD value"}},
      {"out of range below and above",
       {{kPolicy, 15u}, {kMachine, 65537u}},
       {1024, SettingSource::kDefault},
       {policy + "DrawerLogSizeKB: 15" + range, machine + "DrawerLogSizeKB: 65537" + range}},
      {"a bad machine value unread under a good policy",
       {{kPolicy, 512u}, {kMachine, std::u16string(u"x")}},
       {512, SettingSource::kPolicy},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSettingsStore store;
    for (const auto& [scope, value] : c.given) {
      store.SetNumber(scope, kDrawerLogSizeKbSetting.value_name, value);
    }
    DrawerSettingsReader reader(store);
    kestro_testing::StderrCapture capture;
    // Read three times: each bad value is named once.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reader.Read(kDrawerLogSizeKbSetting), c.expected);
    EXPECT_EQ(capture.TakeLines(), c.lines);
  }
}

TEST(ReadRecordLimits, TurnsTheRecordOffAndSizesItsFilesInKiB) {
  FakeSettingsStore store;
  store.SetNumber(kPolicy, kDrawerLogSetting.value_name, 0u);
  store.SetNumber(kMachine, kDrawerLogSizeKbSetting.value_name, 65536u);
  DrawerSettingsReader reader(store);
  const RecordLimits limits = ReadRecordLimits(reader);
  EXPECT_EQ(std::make_pair(limits.enabled, limits.file_bytes),
            std::make_pair(false, uint64_t{65536} * 1024));
}

}  // namespace
}  // namespace kestro
