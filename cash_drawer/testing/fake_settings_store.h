// The machine's settings for tests: the values of the two keys in maps, each
// a number (REG_DWORD) or a text (REG_SZ), so that a value of the wrong type
// can be given too.

#ifndef KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_
#define KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <variant>

#include "cash_drawer/drawer_settings.h"

namespace kestro_testing {

class FakeSettingsStore : public kestro::SettingsStore {
 public:
  using Value = std::variant<uint32_t, std::u16string>;
  // Values by scope and name; list entries by scope and "LIST\NAME".
  std::map<std::pair<kestro::SettingScope, std::u16string>, Value> values;

  std::optional<std::u16string> ReadListEntry(kestro::SettingScope scope,
                                              const std::u16string& list,
                                              const std::u16string& name,
                                              bool* wrong_type) override;
  std::optional<uint32_t> ReadNumber(kestro::SettingScope scope, const std::u16string& value_name,
                                     bool* wrong_type) override;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_
