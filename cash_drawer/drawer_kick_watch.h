// The watch over sent drawer kicks. A kick sent to a printer that is off,
// offline, out of paper, paused or in error waits in the spooler's queue and
// opens the drawer whenever the printer comes back, maybe hours later with
// nobody at the till. So each kick is watched for a limited time (GetJobW) and
// withdrawn from the queue (SetJobW with JOB_CONTROL_DELETE) when it has not
// printed by then, then watched until it has left the queue: Windows only
// marks a job it is printing deleting. The printer's own status cannot decide
// this beforehand: it is wrong both ways. What counts as done, and when a
// kick is looked at, is decided by kick_decision.h.
//
// A shared printer is opened without the local spooler's cache
// (printer_opening.h). A handle that went stale because the spooler service
// restarted (kInvalidHandleError) is opened anew and the failed call made
// once more; from then on the job is checked to be still the drawer kick (by
// its document name) before it counts as queued or is withdrawn, since its id
// may now name another document.
//
// DrawerKickWatch watches the app's kicks on a thread of its own;
// WatchKickToEnd watches one kick on the calling thread.

#ifndef KESTRO_CASH_DRAWER_DRAWER_KICK_WATCH_H_
#define KESTRO_CASH_DRAWER_DRAWER_KICK_WATCH_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "cash_drawer/kick_clock.h"
#include "cash_drawer/kick_watcher.h"
#include "cash_drawer/print_spooler.h"

namespace kestro {

// How the watch of one kick ended.
enum class KickFate {
  // The job is no longer in the queue: GetJobW, or the withdrawal, failed
  // with kInvalidParameterError, or the id names another document now. The
  // spooler handed it to the device, or someone else removed it.
  kLeftQueue,
  // The job is still listed but marked printed or complete: all its bytes
  // have gone to the device, and withdrawing it would stop nothing. Also
  // when it came to be so marked after its withdrawal.
  kPrinted,
  // The job was queued, not printing, when its time was up; SetJobW removed
  // it and a later look found it gone. It never reached the printer.
  kWithdrawn,
  // SetJobW succeeded, but the job was printing (or could not be read) when
  // it was withdrawn, or was still listed, marked deleting, or unread
  // kLeavingLookMs later: it may have reached the printer.
  kWithdrawnWhilePrinting,
  // The job was seen in the queue at the last look and SetJobW failed;
  // `error_code` is SetJobW's code.
  kWithdrawFailed,
  // The last look could not read the job (GetJobW failed with another code
  // than kInvalidParameterError, or the printer could not be opened), and the
  // withdrawal then failed with another code than kInvalidParameterError or
  // could not be made for want of an open printer. `error_code` is
  // SetJobW's code, or the opening call's when there was no printer to ask.
  // The kick may still be queued.
  kUnknown,
};

struct KickWatchOutcome {
  KickFate fate;
  // The failing call's last-error code for kWithdrawFailed and kUnknown; 0
  // otherwise.
  uint32_t error_code;
  // Milliseconds from the start of the watch to the withdrawal, for the two
  // withdrawn fates (the looks after it are not counted); to the look that
  // ended the watch otherwise.
  int64_t age_ms;
};

// Watches one kick until it is done or its time (plus the overrun bound of
// kick_decision.h, and the looks after a withdrawal) is up, and withdraws it
// then; returns how it ended. Blocks the calling thread, waiting on `clock`
// between looks; opens `printer_name` on `spooler` at the first look (again
// only when it did not open, or went stale), and closes it before returning.
// An `expire_after_ms` of 0 or less means one look, and a withdrawal at once
// if the job is still queued; values above kLongestKickTimeMs count as that.
// Once `*cut_short` (when given) is true, the next look is made at once and
// withdraws a job still queued, whatever it is doing, as a teardown without
// grace does: another thread sets it, then calls clock.Wake() to end the
// wait. Writes nothing: KickOutcomeLine says what a caller may report.
KickWatchOutcome WatchKickToEnd(PrintSpooler& spooler, const std::u16string& printer_name,
                                uint32_t job_id, int64_t expire_after_ms, KickClock& clock,
                                const std::atomic<bool>* cut_short = nullptr);

// The standard error line for an outcome worth reporting, the printer's name
// in UTF-8; empty for kLeftQueue and kPrinted.
//   kWithdrawn:  Warning: withdrew the cash drawer command from printer "NAME"
//                (job 12), still queued after 30000 ms
//   kWithdrawnWhilePrinting:
//                Warning: withdrew the cash drawer command from printer "NAME"
//                (job 12) while it was printing, after 30000 ms: it may have
//                reached the printer
//   otherwise:   Error: could not withdraw the cash drawer command from printer
//                "NAME" (job 12): error 5
std::string KickOutcomeLine(const std::u16string& printer_name, uint32_t job_id,
                            const KickWatchOutcome& outcome);

// The standard error line of a teardown that stopped waiting for the watch.
inline constexpr char kTeardownGaveUpLine[] =
    "Warning: stopped waiting for the cash drawer command watch after 2000 ms: a spooler call "
    "has not returned";

// Told how the watch of each kick ended, whatever the fate.
class KickWatchObserver {
 public:
  virtual ~KickWatchObserver() = default;
  // Called on the watch's thread, after the standard error line.
  virtual void KickWatchEnded(const std::u16string& printer_name, uint32_t job_id,
                              const KickWatchOutcome& outcome) = 0;
};

// Watches the app's kicks on one thread of its own, started at the first
// Watch(). The kicks watched together on one printer share one handle to it,
// opened anew for them all when it goes stale. Each withdrawal, and each failed one, is one line on
// the standard error stream (KickOutcomeLine).
class DrawerKickWatch : public KickWatcher {
 public:
  // The watch's thread makes every spooler call of the watch on `spooler`
  // (opening the printers by name itself) and is the one thread that waits
  // on `clock`; the destructor is the one that waits on `teardown_clock`.
  // All three are shared with the thread, which may outlive the watch.
  // `observer`, when given, is borrowed and told each outcome, on the
  // watch's thread, until the destructor returns and never after: one that
  // gives up waiting for the thread stops it being told first (waiting for
  // a call to it in progress), so it need only outlive the watch.
  DrawerKickWatch(std::shared_ptr<PrintSpooler> spooler, std::shared_ptr<KickClock> clock,
                  std::shared_ptr<KickClock> teardown_clock, KickWatchObserver* observer = nullptr);

  // Ends the watch. Kicks still queued get at most kTeardownGraceMs more, all
  // together, looked at every kTeardownStepMs, and are then withdrawn, so
  // that no kick outlives the program in the queue; a kick whose printer did
  // not open is given up at once, never opened again. Blocks until the
  // thread is done, but never longer than kTeardownLimitMs on
  // `teardown_clock` (not at all when no kick is watched): a spooler call
  // that does not return (a print server gone from the network) leaves the
  // thread running on its own, with what it shares, and the teardown says so
  // on the standard error stream (kTeardownGaveUpLine).
  ~DrawerKickWatch() override;

  DrawerKickWatch(const DrawerKickWatch&) = delete;
  DrawerKickWatch& operator=(const DrawerKickWatch&) = delete;

  // Queues the kick for the watch's thread and returns. Its first look comes
  // one step after it (kick_decision.h), and the thread is woken only when
  // it sleeps past that look: a thread woken at every kick runs beside the
  // app's next call, and under Wine each wake and wait is a round trip to
  // the wine server. Called on one thread (the UI thread), never during
  // destruction.
  void Watch(const std::u16string& printer_name, uint32_t job_id, int64_t expire_after_ms) override;

 private:
  struct State;

  // The thread's work; `state` keeps what it uses alive.
  static void Run(std::shared_ptr<State> state);

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_KICK_WATCH_H_
