#include "tools/kestro_drawer/drawer_tool_arguments.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>

#include "audit/record_line.h"
#include "cash_drawer/drawer_channel.h"
#include "cash_drawer/drawer_status.h"
#include "text/utf16.h"

namespace kestro {

const char kDrawerToolUsage[] =
    "usage: kestro-drawer list [--json]\n"
    "       kestro-drawer open [--printer NAME] [--model-hint HINT] [--protocol P]\n"
    "                          [--pin N] [--on N] [--off N] [--wait-ms N]\n"
    "                          [--confirm-ms N] [--via CHANNEL] [--open-level L] [--json]\n"
    "       kestro-drawer state [--printer NAME] [--protocol P] [--via CHANNEL]\n"
    "                           [--open-level low|high] [--wait open|closed]\n"
    "                           [--timeout-ms N] [--json]\n"
    "       kestro-drawer jobs [--printer NAME] [--json]\n"
    "       kestro-drawer clear [--printer NAME] [--json]\n"
    "       kestro-drawer log [--since TIME] [--printer NAME] [--json]\n"
    "       kestro-drawer config [--json]\n"
    "\n"
    "list   the printers the app lists, with driver, port and the spooler's word on\n"
    "       their state\n"
    "open   chooses the printer as the app's \"openDrawer\" does and sends the same\n"
    "       drawer kick: P is starPrnt, escPosAscii, or left out for ESC/POS with\n"
    "       the drawer as a number; pin 1 is the second drawer; --on and --off\n"
    "       default to 25 and 250. Then waits up to --wait-ms (default 5000; 0:\n"
    "       not at all, the kick is not watched) for the kick to leave the queue,\n"
    "       and withdraws it if it has not, or at once on Ctrl+C. With\n"
    "       --confirm-ms, first waits that long for the drawer to read open\n"
    "jobs   the queued jobs of one printer, or of all, drawer kicks marked\n"
    "clear  withdraws the queued drawer kicks (no other document, and no kick\n"
    "       already printed)\n"
    "state  reads the drawer's state from the printer as the app's \"getDrawerState\"\n"
    "       does (or, with --wait, waits for it as \"waitForDrawer\"), over the\n"
    "       printer's direct channel: CHANNEL is COMn, tcp:HOST:PORT, usb:USBnnn,\n"
    "       port (the printer's own spooler port) or none; the machine's settings\n"
    "       name it otherwise. --open-level is the level that means open (low by\n"
    "       default). --timeout-ms defaults to 1000 (at most 10000), with --wait to\n"
    "       30000. \"closed\" cannot prove that a drawer is connected.\n"
    "log    the cash drawer's events on record at this till, oldest first: since\n"
    "       TIME (UTC, 2026-12-08 or 2026-12-08T06:14, or back from now: 90s, 30m,\n"
    "       12h, 7d), of one printer\n"
    "config the machine's settings in effect, and where each comes from, with each\n"
    "       printer's direct channel and open level\n"
    "--json prints one JSON document, in ASCII, instead of words\n"
    "\n"
    "Exit status: 0 done; 1 the spooler refused (its error code is shown), the\n"
    "kick did not leave the queue in time, the drawer did not read open within\n"
    "--confirm-ms, its state could not be read (or, with --wait, was not\n"
    "reached), or the record could not be read; 2 a malformed command line.\n";

namespace {

enum class ValueKind { kFlag, kText, kInt32, kWaitMs, kTime, kChannel, kLevel, kState, kSince };

// Which commands take an option.
enum CommandSet : unsigned {
  kOpenOnly = 1u << static_cast<unsigned>(DrawerToolCommand::kOpen),
  kStateOnly = 1u << static_cast<unsigned>(DrawerToolCommand::kState),
  kLogOnly = 1u << static_cast<unsigned>(DrawerToolCommand::kLog),
  kCallCommands = kOpenOnly | kStateOnly,
  kPrinterCommands = kCallCommands | kLogOnly |
                     1u << static_cast<unsigned>(DrawerToolCommand::kJobs) |
                     1u << static_cast<unsigned>(DrawerToolCommand::kClear),
  kEveryCommand = kPrinterCommands | 1u << static_cast<unsigned>(DrawerToolCommand::kList) |
                  1u << static_cast<unsigned>(DrawerToolCommand::kConfig),
};

struct OptionRule {
  const char* name;
  ValueKind kind;
  unsigned commands;
  const char* open_key;  // its "openDrawer" entry, if any
};

constexpr OptionRule kOptions[] = {
    {"--json", ValueKind::kFlag, kEveryCommand, nullptr},
    {"--printer", ValueKind::kText, kPrinterCommands, "printerName"},
    {"--since", ValueKind::kSince, kLogOnly, nullptr},
    {"--model-hint", ValueKind::kText, kOpenOnly, "modelHint"},
    {"--protocol", ValueKind::kText, kCallCommands, "protocol"},
    {"--pin", ValueKind::kInt32, kOpenOnly, "pin"},
    {"--on", ValueKind::kInt32, kOpenOnly, "pulseOn"},
    {"--off", ValueKind::kInt32, kOpenOnly, "pulseOff"},
    {"--wait-ms", ValueKind::kWaitMs, kOpenOnly, nullptr},
    {"--confirm-ms", ValueKind::kTime, kOpenOnly, "confirmWithinMs"},
    {"--via", ValueKind::kChannel, kCallCommands, "via"},
    {"--open-level", ValueKind::kLevel, kCallCommands, "openLevel"},
    {"--wait", ValueKind::kState, kStateOnly, "state"},
    {"--timeout-ms", ValueKind::kTime, kStateOnly, "timeoutMs"},
};

const std::pair<const char*, DrawerToolCommand> kCommands[] = {
    {"list", DrawerToolCommand::kList},     {"open", DrawerToolCommand::kOpen},
    {"jobs", DrawerToolCommand::kJobs},     {"clear", DrawerToolCommand::kClear},
    {"state", DrawerToolCommand::kState},   {"log", DrawerToolCommand::kLog},
    {"config", DrawerToolCommand::kConfig},
};

// The units of a span back from now, by their letter.
constexpr std::pair<char, int64_t> kSpanUnits[] = {
    {'s', 1000}, {'m', 60000}, {'h', 3600000}, {'d', 86400000}};
// Spans longer than this (about 27 years) are not read, so that none overflows.
constexpr int64_t kLongestSpanDays = 10000;

std::optional<DrawerToolCommand> CommandNamed(const std::string& name) {
  for (const auto& [command_name, command] : kCommands) {
    if (name == command_name) return command;
  }
  return std::nullopt;
}

const OptionRule* OptionNamed(const std::string& name) {
  auto found = std::find_if(std::begin(kOptions), std::end(kOptions),
                            [&](const OptionRule& option) { return name == option.name; });
  return found == std::end(kOptions) ? nullptr : found;
}

// The whole of `text` as a decimal integer within [low, high].
std::optional<int64_t> WholeNumber(const std::string& text, int64_t low, int64_t high) {
  int64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, status] = std::from_chars(text.data(), end, number);
  if (text.empty() || status != std::errc() || stop != end || number < low || number > high) {
    return std::nullopt;
  }
  return number;
}

std::optional<DrawerToolArguments> Fail(std::string* error, const std::string& what) {
  *error = what;
  return std::nullopt;
}

// Whether `value` is one `kind` takes; if not, `*error` says what it takes.
bool Acceptable(const std::string& name, ValueKind kind, const std::string& value,
                std::string* error) {
  const std::string given = ", not \"" + value + "\"";
  switch (kind) {
    case ValueKind::kChannel:
      if (ParseDrawerChannel(text::Utf8ToUtf16(value))) return true;
      *error = name + " takes COMn, tcp:HOST:PORT, usb:USBnnn, port or none" + given;
      return false;
    case ValueKind::kLevel:
      if (ParseLevel(text::Utf8ToUtf16(value))) return true;
      *error = name + " takes low or high" + given;
      return false;
    case ValueKind::kState:
      if (value == "open" || value == "closed") return true;
      *error = name + " takes open or closed" + given;
      return false;
    case ValueKind::kSince:
      if (SinceTime(value, 0)) return true;
      *error = name +
               " takes a time in UTC (2026-12-08, 2026-12-08T06:14) or a span back from now "
               "(90s, 30m, 12h, 7d)" +
               given;
      return false;
    case ValueKind::kFlag:
    case ValueKind::kText:
    case ValueKind::kInt32:
    case ValueKind::kWaitMs:
    case ValueKind::kTime:
      break;
  }
  return true;
}

// The number `value` is for an option of `kind` (kInt32, kWaitMs, kTime), or
// none after `*error` says what it takes.
std::optional<int64_t> NumberFor(const std::string& name, ValueKind kind, const std::string& value,
                                 std::string* error) {
  const bool time = kind != ValueKind::kInt32;
  const std::optional<int64_t> number =
      time ? WholeNumber(value, 0, kMaxKickWaitMs)
           : WholeNumber(value, std::numeric_limits<int32_t>::min(),
                         std::numeric_limits<int32_t>::max());
  if (!number) {
    *error = name +
             (time ? " takes milliseconds from 0 to " + std::to_string(kMaxKickWaitMs)
                   : std::string(" takes a 32-bit whole number")) +
             ", not \"" + value + "\"";
  }
  return number;
}

// Takes the value of `option` into `*parsed`; false after `*error` says why.
bool TakeValue(const OptionRule& option, const std::string& value, DrawerToolArguments* parsed,
               std::string* error) {
  const std::string name = option.name;
  if (option.kind == ValueKind::kInt32 || option.kind == ValueKind::kWaitMs ||
      option.kind == ValueKind::kTime) {
    const std::optional<int64_t> number = NumberFor(name, option.kind, value, error);
    if (!number) return false;
    if (option.kind == ValueKind::kWaitMs) {
      parsed->wait_ms = *number;
    } else {
      parsed->open_arguments[flutter::EncodableValue(option.open_key)] =
          flutter::EncodableValue(static_cast<int32_t>(*number));
    }
    return true;
  }
  if (!Acceptable(name, option.kind, value, error)) return false;
  if (option.kind == ValueKind::kState) parsed->wait = true;
  if (option.kind == ValueKind::kSince) {
    parsed->since = value;
  } else if (parsed->command == DrawerToolCommand::kOpen ||
             parsed->command == DrawerToolCommand::kState) {
    parsed->open_arguments[flutter::EncodableValue(option.open_key)] =
        flutter::EncodableValue(value);
  } else {
    parsed->printer = value;
  }
  return true;
}

}  // namespace

std::optional<int64_t> SinceTime(const std::string& text, int64_t now_unix_ms) {
  if (std::optional<int64_t> time = ParseUtcTime(text)) return time;
  if (text.size() < 2) return std::nullopt;
  for (const auto& [letter, unit_ms] : kSpanUnits) {
    if (text.back() != letter) continue;
    const std::optional<int64_t> count =
        WholeNumber(text.substr(0, text.size() - 1), 0, kLongestSpanDays * 86400000 / unit_ms);
    if (!count) return std::nullopt;
    return now_unix_ms - *count * unit_ms;
  }
  return std::nullopt;
}

std::optional<DrawerToolArguments> ParseDrawerToolArguments(const std::vector<std::string>& args,
                                                            std::string* error) {
  DrawerToolArguments parsed;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return parsed;
  if (args.empty()) return Fail(error, "missing command");
  const std::optional<DrawerToolCommand> command = CommandNamed(args[0]);
  if (!command) return Fail(error, "unknown command \"" + args[0] + "\"");
  parsed.command = *command;

  std::set<std::string> seen;
  for (size_t i = 1; i < args.size(); ++i) {
    const OptionRule* option = OptionNamed(args[i]);
    if (option == nullptr) return Fail(error, "unknown option \"" + args[i] + "\"");
    if ((option->commands & (1u << static_cast<unsigned>(*command))) == 0) {
      return Fail(error, args[i] + " is not an option of " + args[0]);
    }
    if (!seen.insert(args[i]).second) return Fail(error, args[i] + " is given twice");
    if (option->kind == ValueKind::kFlag) {
      parsed.json = true;
      continue;
    }
    if (i + 1 == args.size()) return Fail(error, args[i] + " needs a value");
    if (!TakeValue(*option, args[++i], &parsed, error)) return std::nullopt;
  }
  return parsed;
}

}  // namespace kestro
