// The call handler of the "kestro/cash_drawer" channel: the app's contract
// for listing printers, opening the cash drawer and seeing it.
//
//   "listPrinters"    arguments ignored; answers the list of BuildPrinterList.
//   "openDrawer"      a map with the optional entries "printerName",
//                     "modelHint", "protocol" (strings), "pin", "pulseOn",
//                     "pulseOff", "expireAfterMs", "confirmWithinMs" (32- or
//                     64-bit integers; defaults 0, 25, 250, for
//                     "expireAfterMs" the machine's setting, else 30000, and
//                     0); answers the map of OpenCashDrawer. A sent command is
//                     then watched for "expireAfterMs" (at most 600000; 0 or
//                     less: not watched; a policy's time replaces the call's)
//                     and withdrawn if it has not printed by then. With
//                     "confirmWithinMs" above 0 (at most 600000) and a
//                     command sent, the answer waits off the UI thread for the
//                     drawer to read open, for that long at most, and adds
//                     "drawerOpened": true, false, or no entry when the state
//                     cannot be read (no direct channel, for one); the entries
//                     "via" and "openLevel" then count as for "getDrawerState".
//                     The command sent or not sent is put on the audit trail.
//   "getDrawerState"  reads the drawer's state once, off the UI thread;
//   "waitForDrawer"   waits for a state; both as drawer_state_call.h says.
//   anything else     not implemented.
// Every method but "listPrinters" answers the error "invalid_arguments" when
// its arguments are not a map. Method names are compared byte for byte. A
// wrongly typed entry takes its default; a drawer failure, and a state that
// cannot be read, are successful answers that say so.

#ifndef KESTRO_CASH_DRAWER_CASH_DRAWER_HANDLER_H_
#define KESTRO_CASH_DRAWER_CASH_DRAWER_HANDLER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audit/drawer_audit.h"
#include "cash_drawer/call_arguments.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/drawer_state_service.h"
#include "cash_drawer/kick_watcher.h"
#include "cash_drawer/print_spooler.h"
#include "cash_drawer/printer_resolution.h"
#include "codec/encodable_value.h"
#include "codec/method_call.h"
#include "codec/method_result.h"

namespace kestro {

// The channel's name.
inline constexpr char kCashDrawerChannelName[] = "kestro/cash_drawer";

// The one channel error.
inline constexpr char kInvalidArgumentsCode[] = "invalid_arguments";
inline constexpr char kInvalidArgumentsMessage[] = "Cash drawer arguments are missing.";

// Why the state is "unknown" when the handler has no state service.
inline constexpr char kNoStateServiceReason[] = "the drawer state is not read by this program";

// What a call works with besides the spooler, each borrowed and each
// optional; a watcher alone converts to it.
struct CashDrawerServices {
  CashDrawerServices(KickWatcher* watcher = nullptr, DrawerStateService* state = nullptr,
                     DrawerAudit* audit = nullptr, DrawerSettingsReader* settings = nullptr)
      : watcher(watcher), state(state), audit(audit), settings(settings) {}

  // Takes each sent command to watch; none watched when null.
  KickWatcher* watcher;
  // Carries out reads, waits and confirmations; without it (null),
  // "getDrawerState" and "waitForDrawer" answer "unknown" with
  // kNoStateServiceReason at once, and "confirmWithinMs" is not acted on.
  DrawerStateService* state;
  // Told of each command sent or not sent; nothing told when null.
  DrawerAudit* audit;
  // The machine's numbers; the built-in values when null. (The channel and
  // the open level are read with the state service's settings.)
  DrawerSettingsReader* settings;
};

// Answers `call` through `result` exactly once. Called on the UI thread. The
// spooler calls (the printer list and choice, the drawer job) go to
// `spooler` and are made before it returns. "openDrawer" tells the services'
// audit what became of the command (as the app's): right after the answer,
// or, when the answer waits for a confirmation, right after the job, so that
// the trail has the command before anything its watch tells. A command the
// spooler took is then handed to the services' watcher unless its
// "expireAfterMs" is 0 or less. Reads, waits and confirmations go to the
// services' state service, which answers later, on the UI thread, and
// destroys `result` then; every other answer is given, and `result`
// destroyed, before returning.
void HandleCashDrawerCall(const flutter::MethodCall& call,
                          std::unique_ptr<flutter::MethodResult> result, PrintSpooler& spooler,
                          const CashDrawerServices& services = {});

#ifdef _WIN32
// The same with the system's print spooler; the channel's installed handler.
void HandleCashDrawerCall(const flutter::MethodCall& call,
                          std::unique_ptr<flutter::MethodResult> result,
                          const CashDrawerServices& services = {});
#endif

// What "openDrawer" did with one argument map: the printer chosen and the
// rule that chose it, the protocol and pin the job was given, the drawer job,
// whose answer is the call's reply, how long its kick is to be watched, and
// how long to wait for the drawer to open (0: no confirmation).
struct OpenDrawerOutcome {
  PrinterChoice printer;
  std::string protocol;
  int32_t pin = 0;
  DrawerJobReport job;
  int32_t expire_after_ms = 0;
  int32_t confirm_within_ms = 0;
};

// Runs "openDrawer" for `arguments`, read as the channel reads them: the
// printer is chosen from "printerName" and "modelHint", then the job runs with
// "protocol", "pin", "pulseOn" and "pulseOff" (defaults "", 0, 25, 250);
// "expireAfterMs" (default `expiry.default_ms`; `expiry.enforced_ms` instead
// when set) and "confirmWithinMs" (default 0, within 0 and
// kLongestWaitTimeoutMs) are read and capped, not acted on.
OpenDrawerOutcome RunOpenDrawer(const flutter::ValueMap& arguments, PrintSpooler& spooler,
                                const KickExpiry& expiry = {});

// The confirmation "openDrawer" waits for after `kick`, read from its
// `arguments` with `settings` (may be null): none when the kick was not sent
// or no confirmation was asked for.
std::optional<DrawerStateCall> ConfirmationOf(const flutter::ValueMap& arguments,
                                              const OpenDrawerOutcome& kick,
                                              SettingsStore* settings);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_CASH_DRAWER_HANDLER_H_
