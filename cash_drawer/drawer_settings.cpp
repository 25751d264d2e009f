#include "cash_drawer/drawer_settings.h"

#include "cash_drawer/text_conversion.h"

namespace kestro {

const char* SourceName(SettingSource source) {
  switch (source) {
    case SettingSource::kPolicy:
      return "policy";
    case SettingSource::kCall:
      return "call";
    case SettingSource::kMachine:
      return "machine";
    case SettingSource::kDefault:
      break;
  }
  return "default";
}

std::string SettingPath(SettingScope scope, const char16_t* name) {
  const char16_t* key = scope == SettingScope::kPolicy ? kPolicySettingsKey : kMachineSettingsKey;
  return "HKLM\\" + ToUtf8String(key) + "\\" + ToUtf8String(name);
}

}  // namespace kestro
