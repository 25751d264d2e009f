// The app's own native service channel, "kestro/cash_drawer": the channel
// with its call handler, the watch over the drawer commands it sends, the
// service that reads the drawer's state off the UI thread, and what they
// tell the audit trail.

#ifndef KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_
#define KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_

#include <memory>

#include "audit/drawer_audit.h"
#include "cash_drawer/drawer_kick_watch.h"
#include "cash_drawer/drawer_reading_audit.h"
#include "cash_drawer/drawer_settings_reader.h"
#include "cash_drawer/drawer_state_service.h"
#include "cash_drawer/kick_audit.h"
#include "embedding/binary_messenger.h"
#include "embedding/method_call_channel.h"
#include "runner/window_task_runner.h"

// The machine's services the channel works with, borrowed for its life;
// each may be null (no audit trail, the built-in settings, no drawer
// readings on the trail).
struct CashDrawerMachine {
  kestro::DrawerAudit* audit = nullptr;
  kestro::DrawerSettingsReader* settings = nullptr;
  kestro::DrawerOpenTracker* tracker = nullptr;
};

// A method channel named "kestro/cash_drawer" on the messenger, with the
// process's shared standard method codec, whose calls go to the cash drawer
// service; each drawer command the spooler takes is watched, on a thread of
// the watch's own, and withdrawn if it has not printed in time. Reads of the
// drawer's state run on the state service's threads and are answered on the
// UI thread through a message-only window; the UI thread must run a message
// loop. Each command sent or not, withdrawn or not withdrawn, and each
// reading of a drawer's state, is told to the machine's audit.
class CashDrawerChannel {
 public:
  // Installs the call handler on `messenger` (borrowed; it must outlive this
  // object).
  explicit CashDrawerChannel(flutter::BinaryMessenger* messenger, CashDrawerMachine machine = {});
  // Removes the call handler from the messenger, since it uses the watch and
  // the state service; then ends the state service, which answers every call
  // still open with "unknown", reason "closing", on this thread, while the
  // messenger is still there; then ends the watch: commands still queued get
  // a short grace and are withdrawn, and the end waits for the watch 2 s at
  // most, leaving its thread to finish alone after that (see
  // DrawerKickWatch). Neither tells the audit anything once it has ended.
  ~CashDrawerChannel();

  CashDrawerChannel(const CashDrawerChannel&) = delete;
  CashDrawerChannel& operator=(const CashDrawerChannel&) = delete;

 private:
  CashDrawerMachine machine_;
  // Tell the audit how each watch ended (none without an audit), and the
  // tracker what each reading found (none without a tracker and settings).
  std::unique_ptr<kestro::KickWatchAuditor> watch_auditor_;
  std::unique_ptr<kestro::DrawerReadingAuditor> reading_auditor_;
  // Owns, with its thread, the watch's own spooler and clocks.
  kestro::DrawerKickWatch watch_;
  // Where the state service's answers reach the UI thread; it outlives the
  // service.
  WindowTaskRunner task_runner_;
  kestro::DrawerStateService state_service_;
  flutter::MethodCallChannel channel_;
};

#endif  // KESTRO_RUNNER_CASH_DRAWER_CHANNEL_H_
