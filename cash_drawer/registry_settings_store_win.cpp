#include "cash_drawer/registry_settings_store_win.h"

#include <windows.h>

#include "text/wide_chars.h"

namespace kestro {
namespace {

// RegGetValueW of `name` under HKEY_LOCAL_MACHINE\`key`, restricted to the
// types `flags` allow. A value of another type sets `*wrong_type`.
LSTATUS GetValue(const std::u16string& key, const std::u16string& name, DWORD flags, void* data,
                 DWORD* size, bool* wrong_type) {
  const LSTATUS status = ::RegGetValueW(HKEY_LOCAL_MACHINE, text::AsWideChars(key),
                                        text::AsWideChars(name), flags, nullptr, data, size);
  if (status == ERROR_UNSUPPORTED_TYPE && wrong_type != nullptr) *wrong_type = true;
  return status;
}

std::u16string KeyOf(SettingScope scope) {
  return scope == SettingScope::kPolicy ? kPolicySettingsKey : kMachineSettingsKey;
}

}  // namespace

std::optional<std::u16string> RegistrySettingsStore::ReadListEntry(SettingScope scope,
                                                                   const std::u16string& list,
                                                                   const std::u16string& name,
                                                                   bool* wrong_type) {
  const std::u16string key = KeyOf(scope) + u"\\" + list;
  DWORD size = 0;
  if (GetValue(key, name, RRF_RT_REG_SZ, nullptr, &size, wrong_type) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::u16string value(size / sizeof(char16_t), u'\0');
  if (GetValue(key, name, RRF_RT_REG_SZ, text::AsWritableWideChars(&value), &size, wrong_type) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The size counts the terminating NUL that RegGetValueW wrote.
  value.resize(size / sizeof(char16_t) > 0 ? size / sizeof(char16_t) - 1 : 0);
  return value;
}

std::optional<uint32_t> RegistrySettingsStore::ReadNumber(SettingScope scope,
                                                          const std::u16string& value_name,
                                                          bool* wrong_type) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (GetValue(KeyOf(scope), value_name, RRF_RT_REG_DWORD, &value, &size, wrong_type) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

}  // namespace kestro
