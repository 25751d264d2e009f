// The app's own native service channel, "kestro/cash_drawer": the channel
// with its call handler, the watch over the drawer commands it sends, and
// what both tell the audit trail.

#ifndef KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_
#define KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_

#include <memory>

#include "audit/drawer_audit.h"
#include "cash_drawer/drawer_kick_watch.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/kick_audit.h"
#include "cash_drawer/kick_clock.h"
#include "cash_drawer/system_print_spooler_win.h"
#include "embedding/binary_messenger.h"
#include "embedding/method_call_channel.h"

// The machine's services the channel works with, borrowed for its life;
// each may be null (no audit trail, the built-in settings).
struct CashDrawerMachine {
  kestro::DrawerAudit* audit = nullptr;
  kestro::DrawerSettingsReader* settings = nullptr;
};

// A method channel named "kestro/cash_drawer" on the messenger, with the
// process's shared standard method codec, whose calls go to the cash drawer
// service; each drawer command the spooler takes is watched, on a thread of
// the watch's own, and withdrawn if it has not printed in time. Each command
// sent or not, withdrawn or not withdrawn, is told to the machine's audit.
class CashDrawerChannel {
 public:
  // Installs the call handler on `messenger` (borrowed; it must outlive this
  // object).
  explicit CashDrawerChannel(flutter::BinaryMessenger* messenger, CashDrawerMachine machine = {});
  // Removes the call handler from the messenger, since it uses the watch,
  // then ends the watch: commands still queued get a short grace and are
  // withdrawn (see DrawerKickWatch).
  ~CashDrawerChannel();

  CashDrawerChannel(const CashDrawerChannel&) = delete;
  CashDrawerChannel& operator=(const CashDrawerChannel&) = delete;

 private:
  // The watch's own spooler and clock, used on its thread.
  CashDrawerMachine machine_;
  kestro::SystemPrintSpooler watch_spooler_;
  kestro::SystemKickClock watch_clock_;
  // Tells the audit how each watch ended; none without an audit.
  std::unique_ptr<kestro::KickWatchAuditor> watch_auditor_;
  kestro::DrawerKickWatch watch_;
  flutter::MethodCallChannel channel_;
};

#endif  // KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_
