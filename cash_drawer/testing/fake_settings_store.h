// The machine's settings for tests: the values of the two keys and of their
// lists, each a number (REG_DWORD) or a text (REG_SZ), so that a value of the
// wrong type can be given too. Reads are noted; callable from any thread.

#ifndef KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_
#define KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "cash_drawer/drawer_settings.h"

namespace kestro_testing {

class FakeSettingsStore : public kestro::SettingsStore {
 public:
  using Value = std::variant<uint32_t, std::u16string>;

  // Sets the value `name` of the list `list` in `scope`.
  void Set(kestro::SettingScope scope, const std::u16string& list, const std::u16string& name,
           Value value);
  // Sets it to a value of another type than a string.
  void SetWrongType(kestro::SettingScope scope, const std::u16string& list,
                    const std::u16string& name);
  // Sets the value `value_name` of the scope's key itself, where the numbers
  // are; a text is a value of the wrong type there.
  void SetNumber(kestro::SettingScope scope, const std::u16string& value_name, Value value);

  std::optional<std::u16string> ReadListEntry(kestro::SettingScope scope,
                                              const std::u16string& list,
                                              const std::u16string& name,
                                              bool* wrong_type) override;
  std::optional<uint32_t> ReadNumber(kestro::SettingScope scope, const std::u16string& value_name,
                                     bool* wrong_type) override;

  // For each read of a list, in order, "LIST/NAME (policy)" or "... (machine)".
  std::vector<std::u16string> reads();

 private:
  // (scope, list, name); the list is empty for the key's own values.
  using Key = std::tuple<kestro::SettingScope, std::u16string, std::u16string>;

  // The value at `key` when it holds a T; none with `*wrong_type` set when it
  // holds the other type.
  template <typename T>
  std::optional<T> Find(const Key& key, bool* wrong_type);

  std::mutex mutex_;
  std::map<Key, Value> values_;        // guarded by mutex_
  std::vector<std::u16string> reads_;  // guarded by mutex_
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_
