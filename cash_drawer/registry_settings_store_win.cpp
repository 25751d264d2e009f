#include "cash_drawer/registry_settings_store_win.h"

#include <windows.h>

#include "cash_drawer/registry_value_win.h"
#include "cash_drawer/scoped_win_handle_win.h"
#include "text/wide_chars.h"

namespace kestro {

std::optional<std::u16string> RegistrySettingsStore::ReadListEntry(SettingScope scope,
                                                                   const std::u16string& list,
                                                                   const std::u16string& name,
                                                                   bool* wrong_type) {
  // RegGetValueW reads a name only up to its first NUL: another value.
  if (name.find(u'\0') != std::u16string::npos) return std::nullopt;
  const std::u16string path =
      std::u16string(scope == SettingScope::kPolicy ? kPolicySettingsKey : kMachineSettingsKey) +
      u"\\" + list;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, text::AsWideChars(path), 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const ScopedRegistryKey key(opened);
  return ReadRegistryString(key.get(), name, wrong_type);
}

}  // namespace kestro
