// The settings read from the registry of the tests' prefix, under keys of
// the test's own: numbers and list entries, of the right type and the wrong
// one, present and missing.

#include "cash_drawer/registry_settings_store_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "text/wide_chars.h"

namespace kestro {
namespace {

constexpr char16_t kPolicyKey[] = u"Software\\kestro-test\\Policies";
constexpr char16_t kMachineKey[] = u"Software\\kestro-test\\Machine";

void SetValue(const std::u16string& key, const std::u16string& name, DWORD type, const void* data,
              DWORD size) {
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, text::AsWideChars(key), text::AsWideChars(name),
                              type, data, size),
            ERROR_SUCCESS);
}

void SetNumber(const std::u16string& key, const std::u16string& name, DWORD value) {
  SetValue(key, name, REG_DWORD, &value, sizeof(value));
}

void SetText(const std::u16string& key, const std::u16string& name, const std::u16string& text) {
  SetValue(key, name, REG_SZ, text.c_str(),
           static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

class RegistrySettingsStoreTest : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\kestro-test"); }
  RegistrySettingsStore store_{kPolicyKey, kMachineKey};
};

TEST_F(RegistrySettingsStoreTest, ReadsNumbersAndTellsAValueOfTheWrongType) {
  SetNumber(kPolicyKey, u"ExpireAfterMs", 4294967295u);
  SetNumber(kMachineKey, u"ExpireAfterMs", 5000);
  SetText(kMachineKey, u"DrawerLog", u"1");
  struct Case {
    SettingScope scope;
    const char16_t* name;
    std::optional<uint32_t> value;
    bool wrong_type;
  };
  const Case cases[] = {
      {SettingScope::kPolicy, u"ExpireAfterMs", 4294967295u, false},
      {SettingScope::kMachine, u"ExpireAfterMs", 5000u, false},
      {SettingScope::kMachine, u"DrawerLog", std::nullopt, true},
      {SettingScope::kPolicy, u"DrawerLog", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.scope));
    bool wrong_type = false;
    EXPECT_EQ(store_.ReadNumber(c.scope, c.name, &wrong_type), c.value);
    EXPECT_EQ(wrong_type, c.wrong_type);
  }
  // A missing key is a missing value; the flag may be left out.
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\kestro-test");
  EXPECT_EQ(store_.ReadNumber(SettingScope::kPolicy, u"ExpireAfterMs", nullptr), std::nullopt);
}

TEST_F(RegistrySettingsStoreTest, ReadsListEntriesAsWholeTexts) {
  const std::u16string list = std::u16string(kPolicyKey) + u"\\DrawerStateVia";
  SetText(list, u"Receipt Printer", u"tcp:192.168.1.50:9100");
  SetText(list, u"K\u00fcche", u"");
  SetNumber(list, u"Office", 3);
  struct Case {
    const char16_t* name;
    std::optional<std::u16string> value;
    bool wrong_type;
  };
  const Case cases[] = {
      {u"Receipt Printer", u"tcp:192.168.1.50:9100", false},
      {u"K\u00fcche", u"", false},
      {u"Office", std::nullopt, true},
      {u"Missing", std::nullopt, false},
  };
  for (const Case& c : cases) {
    bool wrong_type = false;
    EXPECT_EQ(store_.ReadListEntry(SettingScope::kPolicy, u"DrawerStateVia", c.name, &wrong_type),
              c.value);
    EXPECT_EQ(wrong_type, c.wrong_type);
  }
  EXPECT_EQ(
      store_.ReadListEntry(SettingScope::kMachine, u"DrawerStateVia", u"Receipt Printer", nullptr),
      std::nullopt);
}

}  // namespace
}  // namespace kestro
