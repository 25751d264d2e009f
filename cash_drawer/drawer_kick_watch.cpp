#include "cash_drawer/drawer_kick_watch.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/kick_decision.h"
#include "cash_drawer/printer_opening.h"
#include "cash_drawer/text_conversion.h"
#include "codec/stderr_line.h"

namespace kestro {
namespace {

using Sight = KickReading::Sight;

// A printer opened for the kicks watched on it together, at the first look
// of any of them, and closed when the last of them ends: under Wine each
// opening rewrites the printer's status in the registry under a lock the
// app's own OpenPrinterW takes too, and a burst of kicks needs one.
struct PrinterSlot {
  std::unique_ptr<OpenedPrinter> printer;
  bool cached = false;      // the printer reads job states through the cache
  bool open_tried = false;  // an opening was tried
  uint32_t open_error = 0;  // the opening call's code while it has not opened
  // Opened anew after its handle went stale: any kick's id may name another
  // document since.
  bool reopened = false;
};

// One kick under watch, with the printer it shares.
struct WatchedKick {
  std::u16string printer_name;
  uint32_t job_id = 0;
  int64_t handed_ms = 0;  // clock time when the watch took it
  KickBounds bounds{};
  int64_t next_look_ms = 0;  // clock time
  // No look after this age: set at teardown.
  int64_t last_look_age = kNoDeadline;

  std::shared_ptr<PrinterSlot> slot;
  uint32_t read_error = 0;  // the last failed GetJobW's code

  // Once SetJobW has withdrawn it:
  bool withdrawn = false;
  int64_t withdrawn_age = 0;
  int64_t leave_by_age = 0;
  bool may_have_printed = false;
};

// The first look comes one step after the kick was handed over, not at once:
// the app's next call is likely under way then, and would share the spooler
// with the look. A kick given no time at all is looked at at once.
int64_t FirstLookAge(const KickBounds& bounds) {
  return bounds.limit_ms > 0 ? NextLookAge(0, bounds) : 0;
}

// `slot`: the printer of the kicks already watched on `printer_name`; none:
// one of its own.
WatchedKick NewKick(const std::u16string& printer_name, uint32_t job_id, int64_t expire_after_ms,
                    int64_t handed_ms, std::shared_ptr<PrinterSlot> slot = nullptr) {
  WatchedKick kick;
  kick.printer_name = printer_name;
  kick.job_id = job_id;
  kick.handed_ms = handed_ms;
  kick.bounds = BoundsFor(expire_after_ms);
  kick.next_look_ms = handed_ms + FirstLookAge(kick.bounds);
  kick.slot = slot ? std::move(slot) : std::make_shared<PrinterSlot>();
  return kick;
}

// The printer of a kick watched on `printer_name`, if any.
std::shared_ptr<PrinterSlot> SlotFor(const std::u16string& printer_name,
                                     const std::vector<WatchedKick>& kicks) {
  for (const WatchedKick& kick : kicks) {
    if (kick.printer_name == printer_name) return kick.slot;
  }
  return nullptr;
}

bool OpenKickPrinter(PrintSpooler& spooler, WatchedKick& kick) {
  QueuePrinter opened = OpenQueuePrinter(spooler, kick.printer_name);
  PrinterSlot& slot = *kick.slot;
  slot.open_tried = true;
  slot.printer = std::move(opened.printer);
  slot.cached = opened.cached;
  slot.open_error = opened.error_code;
  return slot.printer != nullptr;
}

// Closes a handle that went stale and opens the printer anew; from then on
// the job's id is checked to name the kick still.
bool ReopenKickPrinter(PrintSpooler& spooler, WatchedKick& kick) {
  kick.slot->printer.reset();
  kick.slot->reopened = true;
  return OpenKickPrinter(spooler, kick);
}

// GetJobW for the kick, opening its printer first if that has not worked yet,
// and once more if the handle went stale.
KickReading ReadKick(PrintSpooler& spooler, WatchedKick& kick) {
  if (!kick.slot->printer && !OpenKickPrinter(spooler, kick)) return {Sight::kUnreadable, 0, false};
  JobRecord job;
  bool read = kick.slot->printer->ReadJob(kick.job_id, &job);
  if (!read) kick.read_error = spooler.LastErrorCode();
  if (!read && kick.read_error == kInvalidHandleError) {
    if (!ReopenKickPrinter(spooler, kick)) return {Sight::kUnreadable, 0, false};
    read = kick.slot->printer->ReadJob(kick.job_id, &job);
    if (!read) kick.read_error = spooler.LastErrorCode();
  }
  if (!read) {
    // Through the cache, "gone" may be stale: the server can still hold it.
    const bool gone = kick.read_error == kInvalidParameterError && !kick.slot->cached;
    return {gone ? Sight::kGone : Sight::kUnreadable, 0, false};
  }
  if (kick.slot->reopened && job.document_name != kDrawerDocumentName) {
    return {Sight::kGone, 0, false};
  }
  return {Sight::kQueued, job.status, !job.status_text.empty()};
}

// The first look after a withdrawal, and every later one until the job is
// seen gone, printed, or the looks are up.
std::optional<KickWatchOutcome> LookAfterWithdrawal(WatchedKick& kick, const KickReading& reading,
                                                    int64_t age) {
  if (reading.sight == Sight::kQueued && MayBePrinting(reading)) kick.may_have_printed = true;
  switch (DecideLeaving(reading, age, kick.leave_by_age)) {
    case LeavingVerdict::kLeft:
      return KickWatchOutcome{
          kick.may_have_printed ? KickFate::kWithdrawnWhilePrinting : KickFate::kWithdrawn, 0,
          kick.withdrawn_age};
    case LeavingVerdict::kPrinted:
      return KickWatchOutcome{KickFate::kPrinted, 0, age};
    case LeavingVerdict::kGiveUp:
      return KickWatchOutcome{KickFate::kWithdrawnWhilePrinting, 0, kick.withdrawn_age};
    case LeavingVerdict::kWatch:
      break;
  }
  kick.next_look_ms =
      kick.handed_ms + NextLeavingLookAge(age, kick.leave_by_age, kick.bounds.tearing_down);
  return std::nullopt;
}

// SetJobW succeeded: the kick is looked at until it has left the queue.
std::optional<KickWatchOutcome> Withdrawn(PrintSpooler& spooler, WatchedKick& kick,
                                          const KickReading& reading, int64_t age) {
  kick.withdrawn = true;
  kick.withdrawn_age = age;
  kick.leave_by_age = std::min(age + kLeavingLookMs, kick.last_look_age);
  kick.may_have_printed = MayBePrinting(reading);
  return LookAfterWithdrawal(kick, ReadKick(spooler, kick), age);
}

std::optional<KickWatchOutcome> Withdraw(PrintSpooler& spooler, WatchedKick& kick,
                                         const KickReading& reading, int64_t age) {
  if (!kick.slot->printer) return KickWatchOutcome{KickFate::kUnknown, kick.slot->open_error, age};
  if (kick.slot->printer->DeleteJob(kick.job_id)) return Withdrawn(spooler, kick, reading, age);
  uint32_t code = spooler.LastErrorCode();
  KickReading seen = reading;
  if (code == kInvalidHandleError) {
    // The spooler restarted since the look: the job is read anew, and
    // withdrawn only while its id still names the kick.
    if (!ReopenKickPrinter(spooler, kick)) {
      return KickWatchOutcome{KickFate::kUnknown, kick.slot->open_error, age};
    }
    seen = ReadKick(spooler, kick);
    if (seen.sight == Sight::kGone) return KickWatchOutcome{KickFate::kLeftQueue, 0, age};
    if (MarkedPrinted(seen)) return KickWatchOutcome{KickFate::kPrinted, 0, age};
    if (seen.sight != Sight::kQueued) {
      return KickWatchOutcome{KickFate::kUnknown, kick.read_error, age};
    }
    if (kick.slot->printer->DeleteJob(kick.job_id)) return Withdrawn(spooler, kick, seen, age);
    code = spooler.LastErrorCode();
  }
  if (code == kInvalidParameterError) return KickWatchOutcome{KickFate::kLeftQueue, 0, age};
  const bool seen_queued = seen.sight == Sight::kQueued;
  return KickWatchOutcome{seen_queued ? KickFate::kWithdrawFailed : KickFate::kUnknown, code, age};
}

// Looks at the kick at clock time `now_ms`: how its watch ended, or nothing
// when it goes on, with the next look set.
std::optional<KickWatchOutcome> LookAt(PrintSpooler& spooler, WatchedKick& kick, int64_t now_ms) {
  const int64_t age = now_ms - kick.handed_ms;
  if (kick.bounds.tearing_down && !kick.slot->printer && kick.slot->open_tried) {
    // A printer that did not open is not tried again at teardown.
    if (kick.withdrawn) {
      return KickWatchOutcome{KickFate::kWithdrawnWhilePrinting, 0, kick.withdrawn_age};
    }
    return KickWatchOutcome{KickFate::kUnknown, kick.slot->open_error, age};
  }
  const KickReading reading = ReadKick(spooler, kick);
  if (kick.withdrawn) return LookAfterWithdrawal(kick, reading, age);
  switch (DecideKick(reading, age, kick.bounds)) {
    case KickVerdict::kLeftQueue:
      return KickWatchOutcome{KickFate::kLeftQueue, 0, age};
    case KickVerdict::kPrinted:
      return KickWatchOutcome{KickFate::kPrinted, 0, age};
    case KickVerdict::kWithdraw:
      return Withdraw(spooler, kick, reading, age);
    case KickVerdict::kWatch:
      break;
  }
  kick.next_look_ms = kick.handed_ms + NextLookAge(age, kick.bounds);
  return std::nullopt;
}

void Report(const WatchedKick& kick, const KickWatchOutcome& outcome, KickWatchObserver& observer) {
  const std::string line = KickOutcomeLine(kick.printer_name, kick.job_id, outcome);
  if (!line.empty()) flutter::WriteStderrLine(line);
  observer.KickWatchEnded(kick.printer_name, kick.job_id, outcome);
}

int64_t EarliestLook(const std::vector<WatchedKick>& kicks) {
  int64_t earliest = kNoDeadline;
  for (const WatchedKick& kick : kicks) earliest = std::min(earliest, kick.next_look_ms);
  return earliest;
}

// Looks at every kick that is due, in the order they came, and drops those
// whose watch ended.
void LookAtDueKicks(PrintSpooler& spooler, KickClock& clock, KickWatchObserver& observer,
                    std::vector<WatchedKick>* kicks) {
  for (auto kick = kicks->begin(); kick != kicks->end();) {
    const int64_t now = clock.NowMs();
    std::optional<KickWatchOutcome> outcome;
    if (kick->next_look_ms <= now) outcome = LookAt(spooler, *kick, now);
    if (outcome) {
      Report(*kick, *outcome, observer);
      kick = kicks->erase(kick);
    } else {
      ++kick;
    }
  }
}

// From now on the kick gets `grace_ms` at most, its looks after a withdrawal
// end by kTeardownLookLimitMs, and it is looked at at once. All are ages of
// the kick.
void StartKickTeardown(int64_t now_ms, int64_t grace_ms, WatchedKick& kick) {
  const int64_t now_age = now_ms - kick.handed_ms;
  kick.bounds = BoundsAtTeardown(kick.bounds, now_age + grace_ms);
  kick.last_look_age = now_age + kTeardownLookLimitMs;
  kick.leave_by_age = std::min(kick.leave_by_age, kick.last_look_age);
  kick.next_look_ms = now_ms;
}

void StartTeardown(int64_t now_ms, std::vector<WatchedKick>* kicks) {
  for (WatchedKick& kick : *kicks) StartKickTeardown(now_ms, kTeardownGraceMs, kick);
}

std::string Quoted(const std::u16string& printer_name) {
  return "\"" + ToUtf8String(printer_name) + "\"";
}

}  // namespace

KickWatchOutcome WatchKickToEnd(PrintSpooler& spooler, const std::u16string& printer_name,
                                uint32_t job_id, int64_t expire_after_ms, KickClock& clock,
                                const std::atomic<bool>* cut_short) {
  WatchedKick kick = NewKick(printer_name, job_id, expire_after_ms, clock.NowMs());
  bool tearing_down = false;
  while (true) {
    const int64_t now = clock.NowMs();
    if (!tearing_down && cut_short != nullptr && *cut_short) {
      // A teardown without grace, once: both bounds are now, and the looks
      // after a withdrawal keep their own steps.
      tearing_down = true;
      StartKickTeardown(now, 0, kick);
    }
    if (now < kick.next_look_ms) {
      clock.WaitUntil(kick.next_look_ms);
    } else if (std::optional<KickWatchOutcome> outcome = LookAt(spooler, kick, now)) {
      return *outcome;
    }
  }
}

std::string KickOutcomeLine(const std::u16string& printer_name, uint32_t job_id,
                            const KickWatchOutcome& outcome) {
  const std::string withdrew =
      "Warning: withdrew the cash drawer command from printer " + Quoted(printer_name);
  const std::string job = " (job " + std::to_string(job_id) + ")";
  const std::string age = std::to_string(outcome.age_ms) + " ms";
  switch (outcome.fate) {
    case KickFate::kLeftQueue:
    case KickFate::kPrinted:
      return "";
    case KickFate::kWithdrawn:
      return withdrew + job + ", still queued after " + age;
    case KickFate::kWithdrawnWhilePrinting:
      return withdrew + job + " while it was printing, after " + age +
             ": it may have reached the printer";
    case KickFate::kWithdrawFailed:
    case KickFate::kUnknown:
      break;
  }
  return "Error: could not withdraw the cash drawer command from printer " + Quoted(printer_name) +
         job + ": error " + std::to_string(outcome.error_code);
}

// Passes each outcome on to the watch's observer while there is one.
struct DrawerKickWatch::State : KickWatchObserver {
  static constexpr int64_t kAwake = std::numeric_limits<int64_t>::min();

  void KickWatchEnded(const std::u16string& printer_name, uint32_t job_id,
                      const KickWatchOutcome& outcome) override {
    std::lock_guard<std::mutex> lock(observer_mutex);
    if (observer != nullptr) observer->KickWatchEnded(printer_name, job_id, outcome);
  }

  // Told no more once this returns.
  void StopTelling() {
    std::lock_guard<std::mutex> lock(observer_mutex);
    observer = nullptr;
  }

  struct HandedKick {
    std::u16string printer_name;
    uint32_t job_id;
    int64_t expire_after_ms;
    int64_t handed_ms;
  };

  std::shared_ptr<PrintSpooler> spooler;
  std::shared_ptr<KickClock> clock;
  std::shared_ptr<KickClock> teardown_clock;
  std::mutex mutex;
  std::vector<HandedKick> handed;  // guarded by mutex
  bool ending = false;             // guarded by mutex
  bool finished = false;           // guarded by mutex: the thread is done
  // The clock time the thread sleeps until, or kAwake while it works: it
  // takes in every handed kick before it sleeps again.
  int64_t sleeping_until = kAwake;  // guarded by mutex
  std::mutex observer_mutex;
  KickWatchObserver* observer = nullptr;  // guarded by observer_mutex
};

DrawerKickWatch::DrawerKickWatch(std::shared_ptr<PrintSpooler> spooler,
                                 std::shared_ptr<KickClock> clock,
                                 std::shared_ptr<KickClock> teardown_clock,
                                 KickWatchObserver* observer)
    : state_(std::make_shared<State>()) {
  state_->spooler = std::move(spooler);
  state_->clock = std::move(clock);
  state_->teardown_clock = std::move(teardown_clock);
  state_->observer = observer;
}

DrawerKickWatch::~DrawerKickWatch() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->ending = true;
  }
  state_->clock->Wake();
  KickClock& teardown_clock = *state_->teardown_clock;
  const int64_t give_up_at = teardown_clock.NowMs() + kTeardownLimitMs;
  while (true) {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      if (state_->finished) break;
    }
    if (teardown_clock.NowMs() >= give_up_at) {
      state_->StopTelling();
      thread_.detach();
      flutter::WriteStderrLine(kTeardownGaveUpLine);
      return;
    }
    teardown_clock.WaitUntil(give_up_at);
  }
  thread_.join();
}

void DrawerKickWatch::Watch(const std::u16string& printer_name, uint32_t job_id,
                            int64_t expire_after_ms) {
  const int64_t now = state_->clock->NowMs();
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->handed.push_back({printer_name, job_id, expire_after_ms, now});
    wake = now + FirstLookAge(BoundsFor(expire_after_ms)) < state_->sleeping_until;
  }
  if (!thread_.joinable()) {
    // Without a thread the kick stays handed over; the next Watch tries again.
    try {
      thread_ = std::thread(&DrawerKickWatch::Run, state_);
    } catch (const std::system_error& error) {
      flutter::WriteStderrLine(std::string("Error: could not start watching cash drawer "
                                           "commands: ") +
                               error.what());
      return;
    }
  }
  if (wake) state_->clock->Wake();
}

// static
void DrawerKickWatch::Run(std::shared_ptr<State> state) {
  PrintSpooler& spooler = *state->spooler;
  KickClock& clock = *state->clock;
  std::vector<WatchedKick> kicks;
  bool tearing_down = false;
  while (true) {
    std::vector<State::HandedKick> handed;
    bool ending = false;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->sleeping_until = State::kAwake;
      handed.swap(state->handed);
      ending = state->ending;
    }
    for (const State::HandedKick& kick : handed) {
      kicks.push_back(NewKick(kick.printer_name, kick.job_id, kick.expire_after_ms, kick.handed_ms,
                              SlotFor(kick.printer_name, kicks)));
    }
    if (ending && !tearing_down) {
      tearing_down = true;
      StartTeardown(clock.NowMs(), &kicks);
    }
    LookAtDueKicks(spooler, clock, *state, &kicks);
    if (ending && kicks.empty()) break;
    const int64_t deadline = EarliestLook(kicks);
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      // A kick handed over since the swap is taken in before any wait.
      if (!state->handed.empty()) continue;
      state->sleeping_until = deadline;
    }
    clock.WaitUntil(deadline);
  }
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->finished = true;
  }
  state->teardown_clock->Wake();
}

}  // namespace kestro
