#include "cash_drawer/drawer_kick_watch.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

#include "cash_drawer/kick_decision.h"
#include "cash_drawer/text_conversion.h"
#include "codec/stderr_line.h"

namespace kestro {
namespace {

using Sight = KickReading::Sight;

// One kick under watch, with the printer its watch opened for it.
struct WatchedKick {
  std::u16string printer_name;
  uint32_t job_id = 0;
  int64_t handed_ms = 0;  // clock time when the watch took it
  KickBounds bounds{};
  int64_t next_look_ms = 0;  // clock time
  std::unique_ptr<OpenedPrinter> printer;
  uint32_t open_error = 0;  // OpenPrinterW's code while it has not opened
};

WatchedKick NewKick(const std::u16string& printer_name, uint32_t job_id, int64_t expire_after_ms,
                    int64_t handed_ms) {
  WatchedKick kick;
  kick.printer_name = printer_name;
  kick.job_id = job_id;
  kick.handed_ms = handed_ms;
  kick.bounds = BoundsFor(expire_after_ms);
  kick.next_look_ms = handed_ms;
  return kick;
}

// GetJobW for the kick, opening its printer first if that has not worked yet.
KickReading ReadKick(PrintSpooler& spooler, WatchedKick& kick) {
  if (!kick.printer) {
    kick.printer = spooler.OpenNamedPrinter(kick.printer_name);
    if (!kick.printer) {
      kick.open_error = spooler.LastErrorCode();
      return {Sight::kUnreadable, 0};
    }
  }
  JobRecord job;
  if (kick.printer->ReadJob(kick.job_id, &job)) return {Sight::kQueued, job.status};
  const bool gone = spooler.LastErrorCode() == kInvalidParameterError;
  return {gone ? Sight::kGone : Sight::kUnreadable, 0};
}

KickWatchOutcome Withdraw(PrintSpooler& spooler, WatchedKick& kick, const KickReading& reading,
                          int64_t age_ms) {
  if (!kick.printer) return {KickFate::kUnknown, kick.open_error, age_ms};
  if (kick.printer->DeleteJob(kick.job_id)) return {KickFate::kWithdrawn, 0, age_ms};
  const uint32_t code = spooler.LastErrorCode();
  if (code == kInvalidParameterError) return {KickFate::kLeftQueue, 0, age_ms};
  const bool seen_queued = reading.sight == Sight::kQueued;
  return {seen_queued ? KickFate::kWithdrawFailed : KickFate::kUnknown, code, age_ms};
}

// Looks at the kick at clock time `now_ms`: how its watch ended, or nothing
// when it goes on, with the next look set.
std::optional<KickWatchOutcome> LookAt(PrintSpooler& spooler, WatchedKick& kick, int64_t now_ms) {
  const int64_t age = now_ms - kick.handed_ms;
  const KickReading reading = ReadKick(spooler, kick);
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

void Report(const WatchedKick& kick, const KickWatchOutcome& outcome, KickWatchObserver* observer) {
  const std::string line = KickOutcomeLine(kick.printer_name, kick.job_id, outcome);
  if (!line.empty()) flutter::WriteStderrLine(line);
  if (observer != nullptr) observer->KickWatchEnded(kick.printer_name, kick.job_id, outcome);
}

int64_t EarliestLook(const std::vector<WatchedKick>& kicks) {
  int64_t earliest = kNoDeadline;
  for (const WatchedKick& kick : kicks) earliest = std::min(earliest, kick.next_look_ms);
  return earliest;
}

// Looks at every kick that is due, in the order they came, and drops those
// whose watch ended.
void LookAtDueKicks(PrintSpooler& spooler, KickClock& clock, KickWatchObserver* observer,
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

// From now on every kick gets the teardown's grace at most, and is looked at
// at once.
void StartTeardown(int64_t now_ms, std::vector<WatchedKick>* kicks) {
  for (WatchedKick& kick : *kicks) {
    kick.bounds = BoundsAtTeardown(kick.bounds, now_ms + kTeardownGraceMs - kick.handed_ms);
    kick.next_look_ms = now_ms;
  }
}

std::string Quoted(const std::u16string& printer_name) {
  return "\"" + ToUtf8String(printer_name) + "\"";
}

}  // namespace

KickWatchOutcome WatchKickToEnd(PrintSpooler& spooler, const std::u16string& printer_name,
                                uint32_t job_id, int64_t expire_after_ms, KickClock& clock) {
  WatchedKick kick = NewKick(printer_name, job_id, expire_after_ms, clock.NowMs());
  while (true) {
    const int64_t now = clock.NowMs();
    if (now < kick.next_look_ms) {
      clock.WaitUntil(kick.next_look_ms);
    } else if (std::optional<KickWatchOutcome> outcome = LookAt(spooler, kick, now)) {
      return *outcome;
    }
  }
}

std::string KickOutcomeLine(const std::u16string& printer_name, uint32_t job_id,
                            const KickWatchOutcome& outcome) {
  const std::string job = " (job " + std::to_string(job_id) + ")";
  switch (outcome.fate) {
    case KickFate::kLeftQueue:
    case KickFate::kPrinted:
      return "";
    case KickFate::kWithdrawn:
      return "Warning: withdrew the cash drawer command from printer " + Quoted(printer_name) +
             job + ", still queued after " + std::to_string(outcome.age_ms) + " ms";
    case KickFate::kWithdrawFailed:
    case KickFate::kUnknown:
      break;
  }
  return "Error: could not withdraw the cash drawer command from printer " + Quoted(printer_name) +
         job + ": error " + std::to_string(outcome.error_code);
}

DrawerKickWatch::DrawerKickWatch(PrintSpooler& spooler, KickClock& clock,
                                 KickWatchObserver* observer)
    : spooler_(spooler), clock_(clock), observer_(observer) {}

DrawerKickWatch::~DrawerKickWatch() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  clock_.Wake();
  thread_.join();
}

void DrawerKickWatch::Watch(const std::u16string& printer_name, uint32_t job_id,
                            int64_t expire_after_ms) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    handed_.push_back({printer_name, job_id, expire_after_ms, clock_.NowMs()});
  }
  if (!thread_.joinable()) {
    // Without a thread the kick stays handed over; the next Watch tries again.
    try {
      thread_ = std::thread(&DrawerKickWatch::Run, this);
    } catch (const std::system_error& error) {
      flutter::WriteStderrLine(std::string("Error: could not start watching cash drawer "
                                           "commands: ") +
                               error.what());
      return;
    }
  }
  clock_.Wake();
}

void DrawerKickWatch::Run() {
  std::vector<WatchedKick> kicks;
  bool tearing_down = false;
  while (true) {
    std::vector<HandedKick> handed;
    bool ending = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handed.swap(handed_);
      ending = ending_;
    }
    for (const HandedKick& kick : handed) {
      kicks.push_back(
          NewKick(kick.printer_name, kick.job_id, kick.expire_after_ms, kick.handed_ms));
    }
    if (ending && !tearing_down) {
      tearing_down = true;
      StartTeardown(clock_.NowMs(), &kicks);
    }
    LookAtDueKicks(spooler_, clock_, observer_, &kicks);
    if (ending && kicks.empty()) return;
    clock_.WaitUntil(EarliestLook(kicks));
  }
}

}  // namespace kestro
