// The machine's settings of the cash drawer service, which an administrator
// sets once for many tills: through Group Policy under the policy key, or
// under the machine key, both in HKEY_LOCAL_MACHINE. A policy value wins over
// everything; a machine value yields to what the call itself asks. The names
// are written here alone: the program, the tool and the administrative
// templates all take them from this file.

#ifndef KESTRO_CASH_DRAWER_DRAWER_SETTINGS_H_
#define KESTRO_CASH_DRAWER_DRAWER_SETTINGS_H_

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

// Which key a setting is read from.
enum class SettingScope { kPolicy, kMachine };

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
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_SETTINGS_H_
