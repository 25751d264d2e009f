#include "cash_drawer/registry_settings_store_win.h"

#include <windows.h>

#include "cash_drawer/registry_value_win.h"
#include "cash_drawer/scoped_win_handle_win.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

// The scope's key, or its subkey `list` when that is not empty, opened for
// reading; not valid when it is missing.
ScopedRegistryKey OpenSettingsKey(SettingScope scope, const std::u16string& list) {
  std::u16string path = scope == SettingScope::kPolicy ? kPolicySettingsKey : kMachineSettingsKey;
  if (!list.empty()) path += u"\\" + list;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, text::AsWideChars(path), 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
    return ScopedRegistryKey();
  }
  return ScopedRegistryKey(opened);
}

// RegGetValueW reads a name only up to its first NUL: another value.
bool NamesNoValue(const std::u16string& name) { return name.find(u'\0') != std::u16string::npos; }

}  // namespace

std::optional<std::u16string> RegistrySettingsStore::ReadListEntry(SettingScope scope,
                                                                   const std::u16string& list,
                                                                   const std::u16string& name,
                                                                   bool* wrong_type) {
  if (NamesNoValue(name)) return std::nullopt;
  const ScopedRegistryKey key = OpenSettingsKey(scope, list);
  if (!key.valid()) return std::nullopt;
  return ReadRegistryString(key.get(), name, wrong_type);
}

std::optional<uint32_t> RegistrySettingsStore::ReadNumber(SettingScope scope,
                                                          const std::u16string& value_name,
                                                          bool* wrong_type) {
  if (NamesNoValue(value_name)) return std::nullopt;
  const ScopedRegistryKey key = OpenSettingsKey(scope, u"");
  if (!key.valid()) return std::nullopt;
  return ReadRegistryDword(key.get(), value_name, wrong_type);
}

}  // namespace kestro
