// The command line of kestro-drawer, the technician's tool at the till:
//
//   kestro-drawer list  [--json]
//   kestro-drawer open  [--printer NAME] [--model-hint HINT] [--protocol P]
//                       [--pin N] [--on N] [--off N] [--wait-ms N]
//                       [--confirm-ms N] [--via CHANNEL] [--open-level L] [--json]
//   kestro-drawer state [--printer NAME] [--protocol P] [--via CHANNEL]
//                       [--open-level low|high] [--wait open|closed]
//                       [--timeout-ms N] [--json]
//   kestro-drawer jobs  [--printer NAME] [--json]
//   kestro-drawer clear [--printer NAME] [--json]
//   kestro-drawer log   [--since TIME] [--printer NAME] [--json]
//   kestro-drawer config [--json]
//   kestro-drawer --help
//
// The options of `open` and `state` become the argument map of the call the
// app would make ("openDrawer", "getDrawerState" or "waitForDrawer"), so
// that the host's own readers and defaults apply to them.

#ifndef KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_ARGUMENTS_H_
#define KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_ARGUMENTS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"

namespace kestro {

// The usage text, for --help and after a malformed command line.
extern const char kDrawerToolUsage[];

enum class DrawerToolCommand { kHelp, kList, kOpen, kJobs, kClear, kState, kLog, kConfig };

// How long `open` watches its kick by default, and at the most.
inline constexpr int64_t kDefaultKickWaitMs = 5000;
inline constexpr int64_t kMaxKickWaitMs = 600000;

struct DrawerToolArguments {
  DrawerToolCommand command = DrawerToolCommand::kHelp;
  bool json = false;
  // --printer for `jobs`, `clear` and `log`, as UTF-8; empty: every printer.
  std::string printer;
  // --since for `log` as given (SinceTime reads it); empty: the whole record.
  std::string since;
  // For `open` and `state`: the call's argument map, holding only the
  // entries given: "printerName", "modelHint", "protocol", "via",
  // "openLevel", "state" (strings), "pin", "pulseOn", "pulseOff",
  // "confirmWithinMs", "timeoutMs" (32-bit integers).
  flutter::ValueMap open_arguments;
  int64_t wait_ms = kDefaultKickWaitMs;
  // For `state`: --wait was given, so the call is "waitForDrawer".
  bool wait = false;
};

// The command line `args` (UTF-8, without the program name), or none after
// `*error` says what is malformed: a missing or unknown command, an option
// the command does not take or that is given twice, a missing value, or a
// number that is not a whole decimal within its range (32-bit for --pin, --on
// and --off, 0 to kMaxKickWaitMs for --wait-ms, --confirm-ms and
// --timeout-ms), a --via that is no channel, an --open-level other than low
// or high, a --wait other than open or closed, or a --since that SinceTime
// does not read.
std::optional<DrawerToolArguments> ParseDrawerToolArguments(const std::vector<std::string>& args,
                                                            std::string* error);

// The time a --since of `text` names, in milliseconds since 1970 (UTC), when
// it is `now_unix_ms`: a time in UTC as the record writes it, or shorter
// ("2026-12-08", "2026-12-08T06:14"), or a span back from now in whole
// seconds, minutes, hours or days ("90s", "30m", "12h", "7d"). None for
// anything else.
std::optional<int64_t> SinceTime(const std::string& text, int64_t now_unix_ms);

}  // namespace kestro

#endif  // KESTRO_TOOLS_KESTRO_DRAWER_DRAWER_TOOL_ARGUMENTS_H_
