#include "cash_drawer/drawer_channel_choice.h"

#include <utility>
#include <vector>

#include "cash_drawer/printer_enumeration.h"
#include "cash_drawer/text_conversion.h"
#include "codec/stderr_line.h"

namespace kestro {
namespace {

std::string Quoted(const std::u16string& text) { return "\"" + ToUtf8String(text) + "\""; }

std::string SettingName(SettingScope scope, const char16_t* list, const std::u16string& printer) {
  return SettingPath(scope, list) + " value " + Quoted(printer);
}

// Parses a text as a choice of type T; std::nullopt when it is not one.
template <typename T>
using Parser = std::optional<T> (*)(const std::u16string&);

// The setting `list` of `printer` in `scope`, parsed; a value that is there
// but cannot be used is reported as `what` and taken as missing.
template <typename T>
std::optional<T> ReadSetting(SettingsStore& settings, SettingScope scope, const char16_t* list,
                             const std::u16string& printer, Parser<T> parse, const char* what) {
  if (printer.empty()) return std::nullopt;
  bool wrong_type = false;
  const std::optional<std::u16string> text =
      settings.ReadListEntry(scope, list, printer, &wrong_type);
  const std::string name = SettingName(scope, list, printer);
  if (wrong_type) {
    flutter::WriteStderrLine("Warning: ignoring the setting " + name +
                             ": it is not a string value");
    return std::nullopt;
  }
  if (!text) return std::nullopt;
  std::optional<T> parsed = parse(*text);
  if (!parsed) {
    flutter::WriteStderrLine("Warning: ignoring the setting " + name + ": " + Quoted(*text) +
                             " is not " + what);
  }
  return parsed;
}

// The call's argument `key` parsed; an argument given but unusable is
// reported and taken as missing.
template <typename T>
std::optional<T> ReadCallArgument(const std::u16string& text, const char* key, Parser<T> parse,
                                  const char* what) {
  if (text.empty()) return std::nullopt;
  std::optional<T> parsed = parse(text);
  if (!parsed) {
    flutter::WriteStderrLine(std::string("Warning: ignoring the call's \"") + key +
                             "\": " + Quoted(text) + " is not " + what);
  }
  return parsed;
}

// The first of policy, call and machine that gives a value.
template <typename T>
std::optional<std::pair<T, SettingSource>> Choose(SettingsStore& settings, const char16_t* list,
                                                  const std::u16string& printer,
                                                  const std::u16string& argument, const char* key,
                                                  Parser<T> parse, const char* what) {
  if (auto policy = ReadSetting(settings, SettingScope::kPolicy, list, printer, parse, what)) {
    return std::make_pair(*policy, SettingSource::kPolicy);
  }
  if (auto call = ReadCallArgument(argument, key, parse, what)) {
    return std::make_pair(*call, SettingSource::kCall);
  }
  if (auto machine = ReadSetting(settings, SettingScope::kMachine, list, printer, parse, what)) {
    return std::make_pair(*machine, SettingSource::kMachine);
  }
  return std::nullopt;
}

}  // namespace

ChannelChoice ChooseDrawerChannel(const std::u16string& printer_name,
                                  const std::u16string& via_argument, SettingsStore& settings) {
  const auto chosen =
      Choose<DrawerChannel>(settings, kDrawerStateViaList, printer_name, via_argument, "via",
                            ParseDrawerChannel, "a direct channel");
  if (!chosen) return {};
  return {chosen->first, chosen->second};
}

OpenLevelChoice ChooseOpenLevel(const std::u16string& printer_name,
                                const std::u16string& open_level_argument,
                                SettingsStore& settings) {
  const auto chosen =
      Choose<DrawerLevel>(settings, kDrawerOpenLevelList, printer_name, open_level_argument,
                          "openLevel", ParseLevel, "\"low\" or \"high\"");
  if (!chosen) return {};
  return {chosen->first, chosen->second};
}

std::optional<DrawerChannel> ChannelOfPrinterPort(const std::u16string& printer_name,
                                                  PrintSpooler& spooler,
                                                  SpoolerPortMonitor& monitor,
                                                  std::string* reason) {
  const std::u16string folded = FoldCase(printer_name);
  for (const PrinterEntry& entry : EnumerateInstalledPrinters(spooler)) {
    if (FoldsTo(entry.name, folded)) return ChannelOfSpoolerPort(entry.port_name, monitor, reason);
  }
  *reason = "the printer " + Quoted(printer_name) + " is not listed, so its port is not known";
  return std::nullopt;
}

}  // namespace kestro
