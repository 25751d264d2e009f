// The machine's settings of the cash drawer service in the registry
// (drawer_settings.h), under HKEY_LOCAL_MACHINE.

#ifndef KESTRO_CASH_DRAWER_REGISTRY_SETTINGS_STORE_WIN_H_
#define KESTRO_CASH_DRAWER_REGISTRY_SETTINGS_STORE_WIN_H_

#include <string>

#include "cash_drawer/drawer_settings.h"

namespace kestro {

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
