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
using kestro_testing::StderrCapture;
using Value = FakeSettingsStore::Value;

constexpr SettingScope kPolicy = SettingScope::kPolicy;
constexpr SettingScope kMachine = SettingScope::kMachine;

struct Given {
  SettingScope scope;
  Value value;
};

// Gives `setting` each value of `given` in `*store`.
void Set(const NumberSetting& setting, const std::vector<Given>& given, FakeSettingsStore* store) {
  for (const Given& value : given) store->values[{value.scope, setting.value_name}] = value.value;
}

TEST(DrawerSettingsReader, TakesPolicyOverMachineOverBuiltInAndPassesOverBadValues) {
  const std::string policy = "HKLM\\Software\\Policies\\kestro\\DrawerLogSizeKB";
  const std::string machine = "HKLM\\Software\\kestro\\DrawerLogSizeKB";
  struct Case {
    const char* name;
    std::vector<Given> given;
    EffectiveNumber expected;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"nothing set", {}, {1024, SettingSource::kDefault}, {}},
      {"machine", {{kMachine, 2048u}}, {2048, SettingSource::kMachine}, {}},
      {"policy over machine",
       {{kMachine, 2048u}, {kPolicy, 64u}},
       {64, SettingSource::kPolicy},
       {}},
      {"the range's ends are taken",
       {{kMachine, 16u}, {kPolicy, 65536u}},
       {65536, SettingSource::kPolicy},
       {}},
      {"a policy text is passed over for the machine's number",
       {{kPolicy, std::u16string(u"64")}, {kMachine, 16u}},
       {16, SettingSource::kMachine},
       {"Warning: ignored the setting " + policy + ": it is not a REG_DWORD value"}},
      {"out of range below and above",
       {{kPolicy, 15u}, {kMachine, 65537u}},
       {1024, SettingSource::kDefault},
       {"Warning: ignored the setting " + policy + ": 15 is outside its range, 16 to 65536",
        "Warning: ignored the setting " + machine + ": 65537 is outside its range, 16 to 65536"}},
      {"a bad machine value is not read under a good policy",
       {{kPolicy, 512u}, {kMachine, std::u16string(u"x")}},
       {512, SettingSource::kPolicy},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSettingsStore store;
    Set(kDrawerLogSizeKbSetting, c.given, &store);
    DrawerSettingsReader reader(store);
    StderrCapture capture;
    // Read three times: each bad value is named once.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reader.Read(kDrawerLogSizeKbSetting), c.expected);
    EXPECT_EQ(capture.TakeLines(), c.lines);
  }
}

TEST(DrawerSettingsReader, ReadsAgainAtEachUse) {
  FakeSettingsStore store;
  DrawerSettingsReader reader(store);
  EXPECT_EQ(ReadOpenWarningSeconds(reader), 0u);
  store.values[{kMachine, kOpenWarningSecondsSetting.value_name}] = 90u;
  EXPECT_EQ(ReadOpenWarningSeconds(reader), 90u);
}

TEST(ReadKickExpiry, APolicyTimeIsEnforcedAMachineTimeIsADefault) {
  struct Case {
    const char* name;
    std::vector<Given> given;
    std::optional<int32_t> enforced_ms;
    int32_t default_ms;
  };
  const std::vector<Case> cases = {
      {"built in", {}, std::nullopt, 30000},
      {"machine", {{kMachine, 0u}}, std::nullopt, 0},
      {"policy", {{kMachine, 5000u}, {kPolicy, 600000u}}, 600000, 600000},
      {"a policy out of range leaves the machine's",
       {{kMachine, 5000u}, {kPolicy, 600001u}},
       std::nullopt,
       5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSettingsStore store;
    Set(kExpireAfterMsSetting, c.given, &store);
    DrawerSettingsReader reader(store);
    StderrCapture capture;
    const KickExpiry expiry = ReadKickExpiry(reader);
    capture.TakeLines();
    EXPECT_EQ(expiry.enforced_ms, c.enforced_ms);
    EXPECT_EQ(expiry.default_ms, c.default_ms);
  }
}

TEST(ReadRecordLimits, TurnsTheRecordOffAndSizesItsFilesInKiB) {
  FakeSettingsStore store;
  DrawerSettingsReader reader(store);
  EXPECT_EQ((std::pair<bool, uint64_t>(ReadRecordLimits(reader).enabled,
                                       ReadRecordLimits(reader).file_bytes)),
            (std::pair<bool, uint64_t>(true, 1048576)));
  store.values[{kPolicy, kDrawerLogSetting.value_name}] = 0u;
  store.values[{kMachine, kDrawerLogSizeKbSetting.value_name}] = 65536u;
  EXPECT_EQ((std::pair<bool, uint64_t>(ReadRecordLimits(reader).enabled,
                                       ReadRecordLimits(reader).file_bytes)),
            (std::pair<bool, uint64_t>(false, uint64_t{65536} * 1024)));
}

}  // namespace
}  // namespace kestro
