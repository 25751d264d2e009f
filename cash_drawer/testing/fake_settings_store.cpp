#include "cash_drawer/testing/fake_settings_store.h"

#include <utility>

namespace kestro_testing {

void FakeSettingsStore::Set(kestro::SettingScope scope, const std::u16string& list,
                            const std::u16string& name, Value value) {
  std::lock_guard<std::mutex> lock(mutex_);
  values_[{scope, list, name}] = std::move(value);
}

void FakeSettingsStore::SetWrongType(kestro::SettingScope scope, const std::u16string& list,
                                     const std::u16string& name) {
  Set(scope, list, name, uint32_t{1});
}

void FakeSettingsStore::SetNumber(kestro::SettingScope scope, const std::u16string& value_name,
                                  Value value) {
  Set(scope, u"", value_name, std::move(value));
}

template <typename T>
std::optional<T> FakeSettingsStore::Find(const Key& key, bool* wrong_type) {
  const auto value = values_.find(key);
  if (value == values_.end()) return std::nullopt;
  if (const T* typed = std::get_if<T>(&value->second)) return *typed;
  if (wrong_type != nullptr) *wrong_type = true;
  return std::nullopt;
}

std::optional<std::u16string> FakeSettingsStore::ReadListEntry(kestro::SettingScope scope,
                                                               const std::u16string& list,
                                                               const std::u16string& name,
                                                               bool* wrong_type) {
  std::lock_guard<std::mutex> lock(mutex_);
  reads_.push_back(list + u"/" + name +
                   (scope == kestro::SettingScope::kPolicy ? u" (policy)" : u" (machine)"));
  return Find<std::u16string>({scope, list, name}, wrong_type);
}

std::optional<uint32_t> FakeSettingsStore::ReadNumber(kestro::SettingScope scope,
                                                      const std::u16string& value_name,
                                                      bool* wrong_type) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Find<uint32_t>({scope, u"", value_name}, wrong_type);
}

std::vector<std::u16string> FakeSettingsStore::reads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return reads_;
}

}  // namespace kestro_testing
