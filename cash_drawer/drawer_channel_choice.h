// The choice of a printer's direct channel and of the level that means
// "open", and where each came from. In order: the policy setting, what the
// call itself asks ("via", "openLevel"), the machine setting, and otherwise
// no channel (the state is not read) and the low level. A setting that cannot
// be read as one is ignored, with one line on the standard error stream that
// names it; it never makes the call fail.

#ifndef KESTRO_CASH_DRAWER_DRAWER_CHANNEL_CHOICE_H_
#define KESTRO_CASH_DRAWER_DRAWER_CHANNEL_CHOICE_H_

#include <optional>
#include <string>

#include "cash_drawer/drawer_channel.h"
#include "cash_drawer/drawer_settings.h"
#include "cash_drawer/drawer_status.h"
#include "cash_drawer/print_spooler.h"

namespace kestro {

struct ChannelChoice {
  // kNone when nothing sets one.
  DrawerChannel channel;
  SettingSource source = SettingSource::kDefault;
};

struct OpenLevelChoice {
  DrawerLevel level = kDefaultOpenLevel;
  SettingSource source = SettingSource::kDefault;
};

// The channel of `printer_name` (the spooler's name of the chosen printer):
// its DrawerStateVia value under the policy key, else `via_argument` (the
// call's "via"; empty when not given), else its value under the machine key,
// else none. An empty `printer_name` reads no setting.
ChannelChoice ChooseDrawerChannel(const std::u16string& printer_name,
                                  const std::u16string& via_argument, SettingsStore& settings);

// The open level of `printer_name` in the same order, from DrawerOpenLevel
// and the call's "openLevel", else kDefaultOpenLevel.
OpenLevelChoice ChooseOpenLevel(const std::u16string& printer_name,
                                const std::u16string& open_level_argument, SettingsStore& settings);

// The channel the spooler port of `printer_name` gives (ChannelOfSpoolerPort),
// the port read from the printer's record in the spooler's enumeration at
// level 2; std::nullopt with `*reason` when the printer is not listed or its
// port cannot be read.
std::optional<DrawerChannel> ChannelOfPrinterPort(const std::u16string& printer_name,
                                                  PrintSpooler& spooler,
                                                  SpoolerPortMonitor& monitor, std::string* reason);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_CHANNEL_CHOICE_H_
