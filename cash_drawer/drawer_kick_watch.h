// The watch over sent drawer kicks. A kick sent to a printer that is off,
// offline, out of paper, paused or in error waits in the spooler's queue and
// opens the drawer whenever the printer comes back, maybe hours later with
// nobody at the till. So each kick is watched for a limited time (GetJobW) and
// withdrawn from the queue (SetJobW with JOB_CONTROL_DELETE) when it has not
// printed by then. The printer's own status cannot decide this beforehand: it
// is wrong both ways. What counts as done, and when a kick is looked at, is
// decided by kick_decision.h.
//
// DrawerKickWatch watches the app's kicks on a thread of its own;
// WatchKickToEnd watches one kick on the calling thread.

#ifndef KESTRO_CASH_DRAWER_DRAWER_KICK_WATCH_H_
#define KESTRO_CASH_DRAWER_DRAWER_KICK_WATCH_H_

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cash_drawer/kick_clock.h"
#include "cash_drawer/kick_watcher.h"
#include "cash_drawer/print_spooler.h"

namespace kestro {

// How the watch of one kick ended.
enum class KickFate {
  // The job is no longer in the queue: GetJobW, or the withdrawal, failed
  // with kInvalidParameterError. The spooler handed it to the device, or
  // someone else removed it.
  kLeftQueue,
  // The job is still listed but marked printed or complete: all its bytes
  // have gone to the device, and withdrawing it would stop nothing.
  kPrinted,
  // The job was still queued when its time was up and SetJobW removed it.
  kWithdrawn,
  // The job was seen in the queue at the last look and SetJobW failed;
  // `error_code` is SetJobW's code.
  kWithdrawFailed,
  // The last look could not read the job (GetJobW failed with another code
  // than kInvalidParameterError, or the printer could not be opened), and the
  // withdrawal then failed with another code than kInvalidParameterError or
  // could not be made for want of an open printer. `error_code` is
  // SetJobW's code, or OpenPrinterW's when there was no printer to ask. The
  // kick may still be queued.
  kUnknown,
};

struct KickWatchOutcome {
  KickFate fate;
  // The failing call's last-error code for kWithdrawFailed and kUnknown; 0
  // otherwise.
  uint32_t error_code;
  // Milliseconds from the start of the watch to the look that ended it.
  int64_t age_ms;
};

// Watches one kick until it is done or its time (plus the overrun bound of
// kick_decision.h) is up, and withdraws it then; returns how it ended. Blocks
// the calling thread, waiting on `clock` between looks; opens `printer_name`
// on `spooler` once, at the first look, and closes it before returning. An
// `expire_after_ms` of 0 or less means one look, and a withdrawal at once if
// the job is still queued; values above kLongestKickTimeMs count as that.
// Writes nothing: KickOutcomeLine says what a caller may report.
KickWatchOutcome WatchKickToEnd(PrintSpooler& spooler, const std::u16string& printer_name,
                                uint32_t job_id, int64_t expire_after_ms, KickClock& clock);

// The standard error line for an outcome worth reporting, the printer's name
// in UTF-8; empty for kLeftQueue and kPrinted.
//   kWithdrawn:  Warning: withdrew the cash drawer command from printer "NAME"
//                (job 12), still queued after 30000 ms
//   otherwise:   Error: could not withdraw the cash drawer command from printer
//                "NAME" (job 12): error 5
std::string KickOutcomeLine(const std::u16string& printer_name, uint32_t job_id,
                            const KickWatchOutcome& outcome);

// Told how the watch of each kick ended, whatever the fate.
class KickWatchObserver {
 public:
  virtual ~KickWatchObserver() = default;
  // Called on the watch's thread, after the standard error line.
  virtual void KickWatchEnded(const std::u16string& printer_name, uint32_t job_id,
                              const KickWatchOutcome& outcome) = 0;
};

// Watches the app's kicks on one thread of its own, started at the first
// Watch(). Each withdrawal, and each failed one, is one line on the standard
// error stream (KickOutcomeLine).
class DrawerKickWatch : public KickWatcher {
 public:
  // `spooler` and `clock` are borrowed and must outlive the watch. The watch's
  // thread makes every spooler call of the watch (opening the printers by name
  // itself) and is the one thread that waits on `clock`. `observer`, when
  // given, is borrowed too and told each outcome.
  DrawerKickWatch(PrintSpooler& spooler, KickClock& clock, KickWatchObserver* observer = nullptr);

  // Ends the watch. Kicks still watched get at most kTeardownGraceMs more,
  // all together, looked at every kTeardownStepMs, and are then withdrawn, so
  // that no kick outlives the program in the queue. Blocks until that is done:
  // for no longer than the grace and the spooler calls it needs, and not at
  // all when no kick is watched.
  ~DrawerKickWatch() override;

  DrawerKickWatch(const DrawerKickWatch&) = delete;
  DrawerKickWatch& operator=(const DrawerKickWatch&) = delete;

  // Queues the kick for the watch's thread and returns. Called on one thread
  // (the UI thread), never during destruction.
  void Watch(const std::u16string& printer_name, uint32_t job_id, int64_t expire_after_ms) override;

 private:
  struct HandedKick {
    std::u16string printer_name;
    uint32_t job_id;
    int64_t expire_after_ms;
    int64_t handed_ms;
  };

  void Run();

  PrintSpooler& spooler_;
  KickClock& clock_;
  KickWatchObserver* const observer_;
  std::mutex mutex_;
  std::vector<HandedKick> handed_;  // guarded by mutex_
  bool ending_ = false;             // guarded by mutex_
  std::thread thread_;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_KICK_WATCH_H_
