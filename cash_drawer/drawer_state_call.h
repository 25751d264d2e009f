// A call about the drawer's state, from the argument map to the answer: what
// "getDrawerState" and "waitForDrawer" ask, and the confirmation of
// "openDrawer" with "confirmWithinMs". The channel's handler and
// kestro-drawer both read, carry out and answer calls with these functions, so
// that the tool shows what the app gets.
//
//   arguments  "printerName", "modelHint", "protocol" (chosen and read as by
//              "openDrawer"), "via" (a channel, drawer_channel.h), "openLevel"
//              ("low" or "high"), "timeoutMs" (1000 by default, at most 10000;
//              for "waitForDrawer" 30000, at most 600000) and, for
//              "waitForDrawer", "state" ("open", or "closed" by default).
//   answer     "state" ("open", "closed", "unknown"), "printerName", "via" (the
//              channel read, e.g. "COM3", "tcp 192.168.1.50:9100", "USB001";
//              "none" when none is set), and "level" ("low", "high") when read
//              or "reason" when unknown; a wait adds "reached" (bool) and
//              "waitedMs".

#ifndef KESTRO_CASH_DRAWER_DRAWER_STATE_CALL_H_
#define KESTRO_CASH_DRAWER_DRAWER_STATE_CALL_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cash_drawer/drawer_channel.h"
#include "cash_drawer/drawer_channel_choice.h"
#include "cash_drawer/drawer_clock.h"
#include "cash_drawer/drawer_link.h"
#include "cash_drawer/drawer_settings.h"
#include "cash_drawer/drawer_state_read.h"
#include "cash_drawer/print_spooler.h"
#include "cash_drawer/printer_resolution.h"
#include "codec/encodable_value.h"

namespace kestro {

// The timeouts of a read and of a wait: the default and the most.
inline constexpr int32_t kDefaultReadTimeoutMs = 1000;
inline constexpr int32_t kLongestReadTimeoutMs = 10000;
inline constexpr int32_t kDefaultWaitTimeoutMs = 30000;
inline constexpr int32_t kLongestWaitTimeoutMs = 600000;

// What carrying a call out uses. Every part may be called from several
// threads at once; the parts are shared, so that a thread still reading
// keeps them alive.
struct DrawerStateBackend {
  std::shared_ptr<SettingsStore> settings;
  // For a printer's spooler port ("port"): its printer record, and its
  // port monitor.
  std::shared_ptr<PrintSpooler> spooler;
  std::shared_ptr<SpoolerPortMonitor> monitor;
  std::shared_ptr<DrawerLinkOpener> opener;
  std::shared_ptr<DrawerClock> clock;
};

// One call, as read from its arguments.
struct DrawerStateCall {
  PrinterChoice printer;
  StatusDialect dialect = StatusDialect::kEscPos;
  ChannelChoice channel;
  OpenLevelChoice open_level;
  // The state a wait waits for; none for one read.
  std::optional<DrawerState> wait_for;
  int32_t timeout_ms = kDefaultReadTimeoutMs;
};

// Reads the arguments of "getDrawerState" (`wait` false) or "waitForDrawer":
// chooses the printer as "openDrawer" does (ChoosePrinter, on `spooler`),
// then its channel and open level (drawer_channel_choice.h; from the call
// alone when `settings` is null). A wrongly typed entry takes its default.
DrawerStateCall ReadDrawerStateCall(const flutter::ValueMap& arguments, bool wait,
                                    PrintSpooler& spooler, SettingsStore* settings);

// The confirmation of an "openDrawer" whose kick was sent to `printer`: a
// wait for "open" of `confirm_within_ms`, the channel, level and protocol
// read from `arguments` as above.
DrawerStateCall ReadConfirmationCall(const flutter::ValueMap& arguments,
                                     const PrinterChoice& printer, int32_t confirm_within_ms,
                                     SettingsStore* settings);

// What a call found.
struct DrawerStateOutcome {
  std::u16string printer_name;
  // The channel chosen, and the one read: for "port", the channel of the
  // printer's spooler port, once known.
  ChannelChoice chosen;
  std::optional<DrawerChannel> read_over;
  OpenLevelChoice open_level;
  // The reading, or the last of a wait (DrawerWait::reading).
  DrawerReading reading;
  // For a wait.
  std::optional<DrawerState> waited_for;
  bool reached = false;
  int64_t waited_ms = 0;
};

// Carries `call` out: resolves "port" through the printer's record, then
// reads or waits (drawer_state_read.h), never longer than its time. Blocks
// the calling thread; `locks` and `stop` as for ReadDrawer (both may be
// null). Every reading made, the one of a read and each of a wait, goes to
// `each` (when given) as soon as it is made.
DrawerStateOutcome CarryOutDrawerStateCall(const DrawerStateCall& call,
                                           const DrawerStateBackend& backend, ChannelLocks* locks,
                                           const std::atomic<bool>* stop,
                                           const EachReading& each = nullptr);

// The outcome of `call` when it is not read: "unknown" with `reason`.
DrawerStateOutcome UnreadOutcome(const DrawerStateCall& call, std::string reason);

// The answer map of an outcome (see above).
flutter::ValueMap DrawerStateAnswer(const DrawerStateOutcome& outcome);

// "drawerOpened" of a confirmation: whether the wait reached "open"; none
// when no reading told the state.
std::optional<bool> DrawerOpenedOf(const DrawerStateOutcome& outcome);

// The "via" text of an outcome: the channel read, else the one chosen.
std::string ViaOf(const DrawerStateOutcome& outcome);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_STATE_CALL_H_
