// The machine's settings of the cash drawer service (drawer_settings.h), read
// from the registry of the 64-bit view, where Group Policy and an
// administrator's tools write them for 64-bit programs.

#ifndef KESTRO_CASH_DRAWER_REGISTRY_SETTINGS_STORE_WIN_H_
#define KESTRO_CASH_DRAWER_REGISTRY_SETTINGS_STORE_WIN_H_

#include <cstdint>
#include <optional>
#include <string>

#include "cash_drawer/drawer_settings.h"

namespace kestro {

// Holds no state: each read opens its key under HKEY_LOCAL_MACHINE and
// closes it again, so that a change is seen at the next read, and any thread
// may read at once. `*wrong_type` is only ever set to true. A name holding a
// NUL character names no value.
class RegistrySettingsStore : public SettingsStore {
 public:
  std::optional<std::u16string> ReadListEntry(SettingScope scope, const std::u16string& list,
                                              const std::u16string& name,
                                              bool* wrong_type) override;
  std::optional<uint32_t> ReadNumber(SettingScope scope, const std::u16string& value_name,
                                     bool* wrong_type) override;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_REGISTRY_SETTINGS_STORE_WIN_H_
