#include "cash_drawer/testing/fake_settings_store.h"

namespace kestro_testing {
namespace {

// The value of type T at `key`: none when missing, none with `*wrong_type`
// set when of the other type.
template <typename T>
std::optional<T> Find(const std::map<std::pair<kestro::SettingScope, std::u16string>,
                                     FakeSettingsStore::Value>& values,
                      const std::pair<kestro::SettingScope, std::u16string>& key,
                      bool* wrong_type) {
  const auto value = values.find(key);
  if (value == values.end()) return std::nullopt;
  if (const T* typed = std::get_if<T>(&value->second)) return *typed;
  if (wrong_type != nullptr) *wrong_type = true;
  return std::nullopt;
}

}  // namespace

std::optional<std::u16string> FakeSettingsStore::ReadListEntry(kestro::SettingScope scope,
                                                               const std::u16string& list,
                                                               const std::u16string& name,
                                                               bool* wrong_type) {
  return Find<std::u16string>(values, {scope, list + u"\\" + name}, wrong_type);
}

std::optional<uint32_t> FakeSettingsStore::ReadNumber(kestro::SettingScope scope,
                                                      const std::u16string& value_name,
                                                      bool* wrong_type) {
  return Find<uint32_t>(values, {scope, value_name}, wrong_type);
}

}  // namespace kestro_testing
