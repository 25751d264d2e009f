// The machine's settings of the cash drawer service, which an administrator
// sets once for many tills: through Group Policy under the policy key, or
// under the machine key, both in HKEY_LOCAL_MACHINE. A policy value wins over
// everything; a machine value yields to what the call itself asks. The names
// are written here alone: the program, the tool and the administrative
// templates all take them from this file, and the words that tell where a
// value came from.

#ifndef KESTRO_CASH_DRAWER_DRAWER_SETTINGS_H_
#define KESTRO_CASH_DRAWER_DRAWER_SETTINGS_H_

#include <cstdint>
#include <optional>
#include <string>

namespace kestro {

// The two keys under HKEY_LOCAL_MACHINE.
inline constexpr char16_t kPolicySettingsKey[] = u"Software\\Policies\\kestro";
inline constexpr char16_t kMachineSettingsKey[] = u"Software\\kestro";

// Lists of one string value per printer, named after the printer (the shape
// Group Policy templates write for a list of names and texts), each a subkey
// of either key: the drawer's direct channel (drawer_channel.h) and the level
// of the drawer switch that means "open" ("low" or "high").
inline constexpr char16_t kDrawerStateViaList[] = u"DrawerStateVia";
inline constexpr char16_t kDrawerOpenLevelList[] = u"DrawerOpenLevel";

// Numbers, each a REG_DWORD value of either key, with the range the program
// takes and the value it uses when neither key holds one it takes:
struct NumberSetting {
  const char16_t* value_name;
  uint32_t lowest;
  uint32_t highest;
  uint32_t built_in;
};
// The time a sent drawer kick is watched, in milliseconds, when the app's
// "openDrawer" gives none (0: not watched); a policy's time replaces the
// app's too.
inline constexpr NumberSetting kExpireAfterMsSetting = {u"ExpireAfterMs", 0, 600000, 30000};
// How long a drawer may be read open before that is a warning, in seconds
// (0: never).
inline constexpr NumberSetting kOpenWarningSecondsSetting = {u"OpenWarningSeconds", 0, 86400, 0};
// Whether the drawer's events are written to the local record (1) or not (0).
inline constexpr NumberSetting kDrawerLogSetting = {u"DrawerLog", 0, 1, 1};
// The size at which a file of the local record is rotated, in KiB.
inline constexpr NumberSetting kDrawerLogSizeKbSetting = {u"DrawerLogSizeKB", 16, 65536, 1024};
// Every number, in the order kestro-drawer's `config` shows them.
inline constexpr const NumberSetting* kNumberSettings[] = {
    &kExpireAfterMsSetting, &kOpenWarningSecondsSetting, &kDrawerLogSetting,
    &kDrawerLogSizeKbSetting};

// Which key a setting is read from.
enum class SettingScope { kPolicy, kMachine };

// Where a setting's value in effect came from: the policy key, what the call
// itself asks, the machine key, or the built-in value.
enum class SettingSource { kPolicy, kCall, kMachine, kDefault };

// "policy", "call", "machine", "default".
const char* SourceName(SettingSource source);

// Where a list or a number of the scope's key is, for people:
// "HKLM\Software\kestro\DrawerStateVia".
std::string SettingPath(SettingScope scope, const char16_t* name);

// The registry, as the settings need it.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The string value `name` in the subkey `list` of the scope's key; nullopt
  // when the key, the subkey or the value is missing. A value of another type
  // than a string is nullopt too, and `*wrong_type` is then set (it may be
  // null).
  virtual std::optional<std::u16string> ReadListEntry(SettingScope scope,
                                                      const std::u16string& list,
                                                      const std::u16string& name,
                                                      bool* wrong_type) = 0;

  // The REG_DWORD value `value_name` of the scope's key; nullopt when the key
  // or the value is missing. A value of another type is nullopt too, and
  // `*wrong_type` is then set (it may be null).
  virtual std::optional<uint32_t> ReadNumber(SettingScope scope, const std::u16string& value_name,
                                             bool* wrong_type) = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_SETTINGS_H_
