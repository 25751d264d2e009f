#include "cash_drawer/drawer_settings_reader.h"

#include "codec/stderr_line.h"

namespace kestro {

DrawerSettingsReader::DrawerSettingsReader(SettingsStore& store) : store_(store) {}

EffectiveNumber DrawerSettingsReader::Read(const NumberSetting& setting) {
  if (std::optional<uint32_t> value = ReadFrom(SettingScope::kPolicy, setting)) {
    return {*value, SettingSource::kPolicy};
  }
  if (std::optional<uint32_t> value = ReadFrom(SettingScope::kMachine, setting)) {
    return {*value, SettingSource::kMachine};
  }
  return {setting.built_in, SettingSource::kDefault};
}

std::optional<uint32_t> DrawerSettingsReader::ReadFrom(SettingScope scope,
                                                       const NumberSetting& setting) {
  bool wrong_type = false;
  const std::optional<uint32_t> value = store_.ReadNumber(scope, setting.value_name, &wrong_type);
  if (wrong_type) {
    TellOnce("Warning: ignored the setting " + SettingPath(scope, setting.value_name) +
             ": it is not a REG_DWORD value");
    return std::nullopt;
  }
  if (value && (*value < setting.lowest || *value > setting.highest)) {
    TellOnce("Warning: ignored the setting " + SettingPath(scope, setting.value_name) + ": " +
             std::to_string(*value) + " is outside its range, " + std::to_string(setting.lowest) +
             " to " + std::to_string(setting.highest));
    return std::nullopt;
  }
  return value;
}

void DrawerSettingsReader::TellOnce(const std::string& line) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!told_.insert(line).second) return;
  }
  flutter::WriteStderrLine(line);
}

KickExpiry ReadKickExpiry(DrawerSettingsReader& settings) {
  const EffectiveNumber time = settings.Read(kExpireAfterMsSetting);
  KickExpiry expiry;
  expiry.default_ms = static_cast<int32_t>(time.value);
  if (time.source == SettingSource::kPolicy) expiry.enforced_ms = expiry.default_ms;
  return expiry;
}

RecordLimits ReadRecordLimits(DrawerSettingsReader& settings) {
  return {settings.Read(kDrawerLogSetting).value != 0,
          uint64_t{settings.Read(kDrawerLogSizeKbSetting).value} * 1024};
}

uint32_t ReadOpenWarningSeconds(DrawerSettingsReader& settings) {
  return settings.Read(kOpenWarningSecondsSetting).value;
}

}  // namespace kestro
