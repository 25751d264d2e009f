// The machine's settings of the cash drawer service as the program uses them
// (drawer_settings.h): each read from the policy key first, then the machine
// key, then the built-in value, again at every use, so that a change applies
// to the next call without a restart.

#ifndef KESTRO_CASH_DRAWER_DRAWER_SETTINGS_READER_H_
#define KESTRO_CASH_DRAWER_DRAWER_SETTINGS_READER_H_

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "audit/record_sink.h"
#include "cash_drawer/drawer_settings.h"

namespace kestro {

// A number in effect, and where it came from: the policy key, the machine
// key or the built-in value.
struct EffectiveNumber {
  uint32_t value;
  SettingSource source;
  bool operator==(const EffectiveNumber& other) const {
    return value == other.value && source == other.source;
  }
};

class DrawerSettingsReader {
 public:
  // `store` is borrowed and must outlive the reader; it is called from every
  // thread that reads a setting.
  explicit DrawerSettingsReader(SettingsStore& store);

  // The setting's value: the policy key's, else the machine key's, else the
  // built-in one. A value of another type than REG_DWORD, or outside the
  // setting's range, is passed over as if missing, and told in one standard
  // error line naming it, the first time this reader finds it so. Any thread
  // may call it.
  EffectiveNumber Read(const NumberSetting& setting);

  // The store the settings are read from, for the lists of printers.
  SettingsStore& store() const { return store_; }

 private:
  // The value of one key, or none after telling why it is not taken.
  std::optional<uint32_t> ReadFrom(SettingScope scope, const NumberSetting& setting);
  void TellOnce(const std::string& line);

  SettingsStore& store_;
  std::mutex mutex_;
  std::set<std::string> told_;  // guarded by mutex_
};

// How long a sent drawer kick is watched, as the settings have it.
struct KickExpiry {
  // A policy's time, which replaces the one the call gives.
  std::optional<int32_t> enforced_ms;
  // The time when the call gives none.
  int32_t default_ms = static_cast<int32_t>(kExpireAfterMsSetting.built_in);
};
KickExpiry ReadKickExpiry(DrawerSettingsReader& settings);

// Whether the local record is written, and its files' size.
RecordLimits ReadRecordLimits(DrawerSettingsReader& settings);

// The open-drawer warning limit, in seconds; 0 for none.
uint32_t ReadOpenWarningSeconds(DrawerSettingsReader& settings);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_SETTINGS_READER_H_
