// The machine's settings for tests: string values, and values of another
// type, under either key. Reads are noted; callable from any thread.

#ifndef KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_
#define KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "cash_drawer/drawer_settings.h"

namespace kestro_testing {

class FakeSettingsStore : public kestro::SettingsStore {
 public:
  // Sets the string value `name` of `list` in `scope`.
  void Set(kestro::SettingScope scope, const std::u16string& list, const std::u16string& name,
           const std::u16string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_[{scope, list, name}] = value;
  }
  // Sets it to a value of another type than a string.
  void SetWrongType(kestro::SettingScope scope, const std::u16string& list,
                    const std::u16string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_[{scope, list, name}] = std::nullopt;
  }

  std::optional<std::u16string> ReadListEntry(kestro::SettingScope scope,
                                              const std::u16string& list,
                                              const std::u16string& name,
                                              bool* wrong_type) override {
    std::lock_guard<std::mutex> lock(mutex_);
    reads_.push_back(list + u"/" + name +
                     (scope == kestro::SettingScope::kPolicy ? u" (policy)" : u" (machine)"));
    auto found = values_.find({scope, list, name});
    if (found == values_.end()) return std::nullopt;
    if (!found->second && wrong_type != nullptr) *wrong_type = true;
    return found->second;
  }

  // "LIST/NAME (policy)" or "... (machine)" for each read, in order.
  std::vector<std::u16string> reads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
  }

 private:
  using Key = std::tuple<kestro::SettingScope, std::u16string, std::u16string>;
  std::mutex mutex_;
  std::map<Key, std::optional<std::u16string>> values_;  // nullopt: another type
  std::vector<std::u16string> reads_;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_FAKE_SETTINGS_STORE_H_
