// The call handler of the "kestro/cash_drawer" channel: the app's contract
// for listing printers and opening the cash drawer.
//
//   "listPrinters"  arguments ignored; answers the list of BuildPrinterList.
//   "openDrawer"    a map with the optional entries "printerName",
//                   "modelHint", "protocol" (strings), "pin", "pulseOn",
//                   "pulseOff", "expireAfterMs" (32- or 64-bit integers;
//                   defaults 0, 25, 250, and for "expireAfterMs" the
//                   machine's setting, else 30000); answers the map of
//                   OpenCashDrawer, or the error "invalid_arguments" when the
//                   arguments are not a map. A sent command is then watched
//                   for "expireAfterMs" (at most 600000; 0 or less: not
//                   watched; a policy's time replaces the call's) and
//                   withdrawn if it has not printed by then. Once answered,
//                   the command sent or not sent is put on the audit trail.
//   anything else   not implemented.
// Method names are compared byte for byte. A wrongly typed entry takes its
// default; a drawer failure is a successful answer that says so.

#ifndef KESTRO_CASH_DRAWER_CASH_DRAWER_HANDLER_H_
#define KESTRO_CASH_DRAWER_CASH_DRAWER_HANDLER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "audit/drawer_audit.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/drawer_settings_reader.h"
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

// What a call works with besides the spooler, each borrowed and each
// optional; a watcher alone converts to it.
struct CashDrawerServices {
  CashDrawerServices(KickWatcher* watcher = nullptr, DrawerAudit* audit = nullptr,
                     DrawerSettingsReader* settings = nullptr)
      : watcher(watcher), audit(audit), settings(settings) {}

  // Takes each sent command to watch; none watched when null.
  KickWatcher* watcher;
  // Told of each command sent or not sent; nothing told when null.
  DrawerAudit* audit;
  // The machine's settings; the built-in values when null.
  DrawerSettingsReader* settings;
};

// Answers `call` through `result` exactly once and destroys `result` before
// returning. Every spooler call goes to `spooler`. Once answered, "openDrawer"
// tells the services' audit what became of the command (as the app's), and
// hands a command the spooler took to the services' watcher unless its
// "expireAfterMs" is 0 or less.
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
// whose answer is the call's reply, and how long its kick is to be watched.
struct OpenDrawerOutcome {
  PrinterChoice printer;
  std::string protocol;
  int32_t pin = 0;
  DrawerJobReport job;
  int32_t expire_after_ms = 0;
};

// Runs "openDrawer" for `arguments`, read as the channel reads them: the
// printer is chosen from "printerName" and "modelHint", then the job runs with
// "protocol", "pin", "pulseOn" and "pulseOff" (defaults "", 0, 25, 250);
// "expireAfterMs" (default `expiry.default_ms`; `expiry.enforced_ms` instead
// when set) is read and capped, not acted on.
OpenDrawerOutcome RunOpenDrawer(const flutter::ValueMap& arguments, PrintSpooler& spooler,
                                const KickExpiry& expiry = {});

// The string under the string key `key`, as UTF-16; empty when the entry is
// missing or holds another type.
std::u16string ReadStringArgument(const flutter::ValueMap& arguments, const std::string& key);

// The integer under the string key `key`: a 32-bit integer as it is, a 64-bit
// one as its low 32 bits (two's complement); `default_value` when the entry is
// missing or holds anything else, a whole-numbered double included.
int32_t ReadIntArgument(const flutter::ValueMap& arguments, const std::string& key,
                        int32_t default_value);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_CASH_DRAWER_HANDLER_H_
