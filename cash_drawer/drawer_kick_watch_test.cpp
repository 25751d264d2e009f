// The watch over sent drawer kicks, with the fake spooler playing each job's
// life by the clock and the test moving the clock by hand. Runs with the
// watch's own thread against the test's, so it also runs under
// ThreadSanitizer.

#include "cash_drawer/drawer_kick_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/kick_decision.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/manual_kick_clock.h"
#include "cash_drawer/text_conversion.h"
#include "codec/testing/recording_result.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/value_printer.h"

namespace kestro {
namespace {

using flutter::EncodableValue;
using flutter::ValueMap;
using kestro_testing::Answer;
using kestro_testing::FakePrintSpooler;
using kestro_testing::ManualKickClock;
using kestro_testing::RecordingResult;
using kestro_testing::SameValue;
using kestro_testing::StderrCapture;
using Step = FakePrintSpooler::Step;
using Log = std::vector<std::string>;

constexpr char16_t kPrinter[] = u"Receipt Printer";
constexpr char kShared[] = "\\\\srv\\Receipt";
constexpr int64_t kDefaultExpireMs = 30000;
// More looks than any case needs: a watch that never ends fails the case.
constexpr int kMostLooks = 100;

using JobLife = FakePrintSpooler::JobLife;
constexpr uint32_t kGone = FakePrintSpooler::kJobGone;

// When the life has the job printed, complete or gone, or its id naming
// another document.
int64_t DoneAt(const JobLife& life) {
  constexpr uint32_t kDone = kJobStatusPrinted | kJobStatusComplete;
  for (const FakePrintSpooler::JobPhase& phase : life) {
    if (phase.status == kGone || (phase.status & kDone) != 0 || !phase.document_name.empty()) {
      return phase.from_ms;
    }
  }
  return kNoDeadline;
}

// The call log's entries, each stamped with the time it was made at.
std::string At(const std::string& call, int64_t ms) { return call + "@" + std::to_string(ms); }
Log DrawerJob(int64_t ms = 0) {
  Log log;
  for (const char* call :
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"}) {
    log.push_back(At(call, ms));
  }
  return log;
}
Log Open(int64_t ms) { return {At("OpenPrinterW", ms)}; }
Log Close(int64_t ms) { return {At("ClosePrinter", ms)}; }
std::string Job(const char* call, uint32_t job_id) {
  return std::string(call) + "(" + std::to_string(job_id) + ")";
}
// GetJobW at each of `times`, for each job in turn.
Log Reads(const std::vector<uint32_t>& job_ids, const std::vector<int64_t>& times) {
  Log log;
  for (int64_t ms : times) {
    for (uint32_t job_id : job_ids) log.push_back(At(Job("GetJobW", job_id), ms));
  }
  return log;
}
// `call` failing at each of `times`, its code read right after.
Log Failing(const std::string& call, const std::vector<int64_t>& times) {
  Log log;
  for (int64_t ms : times) {
    log.push_back(At(call, ms));
    log.push_back(At("GetLastError", ms));
  }
  return log;
}
Log FailedReads(uint32_t job_id, const std::vector<int64_t>& times) {
  return Failing(Job("GetJobW", job_id), times);
}
Log Withdrawal(uint32_t job_id, int64_t ms) { return {At(Job("SetJobW", job_id), ms)}; }
Log ErrorRead(int64_t ms) { return {At("GetLastError", ms)}; }
Log Concat(std::initializer_list<Log> parts) {
  Log log;
  for (const Log& part : parts) log.insert(log.end(), part.begin(), part.end());
  return log;
}
// Every `step` ms from `from` to `to`, both included.
std::vector<int64_t> Every(int64_t step, int64_t from, int64_t to) {
  std::vector<int64_t> times;
  for (int64_t ms = from; ms <= to; ms += step) times.push_back(ms);
  return times;
}

std::string Withdrew(uint32_t job_id, int64_t age_ms,
                     const std::string& printer = "Receipt Printer") {
  return "Warning: withdrew the cash drawer command from printer \"" + printer + "\" (job " +
         std::to_string(job_id) + "), still queued after " + std::to_string(age_ms) + " ms";
}
std::string WithdrewWhilePrinting(uint32_t job_id, int64_t age_ms,
                                  const std::string& printer = "Receipt Printer") {
  return "Warning: withdrew the cash drawer command from printer \"" + printer + "\" (job " +
         std::to_string(job_id) + ") while it was printing, after " + std::to_string(age_ms) +
         " ms: it may have reached the printer";
}
std::string CouldNotWithdraw(uint32_t job_id, uint32_t code) {
  return "Error: could not withdraw the cash drawer command from printer \"Receipt Printer\" "
         "(job " +
         std::to_string(job_id) + "): error " + std::to_string(code);
}

struct WatchCase {
  std::string label;
  std::optional<int32_t> expire_after_ms;  // the "expireAfterMs" entry, if any
  std::vector<JobLife> kicks;              // one "openDrawer" each, jobs 1, 2, ...
  std::map<Step, uint32_t> failures;
  int64_t teardown_at;  // kNoDeadline: once nothing is watched any more
  Log calls;            // every job call, stamped
  Log lines;            // on the standard error stream
  int64_t ended_at;     // the clock when the watch was gone
  // For one kick watched to its end: WatchKickToEnd's fate, after the same
  // calls.
  std::optional<KickFate> fate;
  // The printer the kicks go to.
  std::string printer = "Receipt Printer";
  // When each kick is sent; at 0 when not given.
  std::vector<int64_t> sent_at = {};
  // Anything else the spooler does.
  std::function<void(FakePrintSpooler&)> arrange = nullptr;
};

const uint32_t kPrinting = kJobStatusPrinting;
const uint32_t kOffline = kJobStatusOffline;

// A job printing with each sign of trouble in turn: withdrawn at its time,
// with no overrun, while it prints, and gone soon after.
std::vector<WatchCase> TroubleCases(const std::vector<int64_t>& to_limit) {
  struct Trouble {
    const char* name;
    uint32_t mark;
    const char16_t* text;
  };
  const Trouble troubles[] = {
      {"error", kJobStatusError, u""},
      {"offline", kJobStatusOffline, u""},
      {"paused", kJobStatusPaused, u""},
      {"blocked", kJobStatusBlockedDevQ, u""},
      {"paper out", kJobStatusPaperOut, u""},
      {"user intervention", kJobStatusUserIntervention, u""},
      {"status text", 0, u"Cover open"},
  };
  std::vector<WatchCase> cases;
  for (const Trouble& trouble : troubles) {
    cases.push_back({std::string("printing with trouble at its time: ") + trouble.name,
                     1000,
                     {{{0, kPrinting | trouble.mark, trouble.text}, {1200, kGone}}},
                     {},
                     kNoDeadline,
                     Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Withdrawal(1, 1000),
                             Reads({1}, {1000}), FailedReads(1, {1500}), Close(1500)}),
                     {WithdrewWhilePrinting(1, 1000)},
                     1500,
                     KickFate::kWithdrawnWhilePrinting});
  }
  return cases;
}

std::vector<WatchCase> WatchCases() {
  const std::vector<int64_t> to_limit = {100, 200, 400, 800, 1000};
  const std::vector<int64_t> overrun = {1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500};
  // The printer is renamed once the kick is sent.
  const auto renamed = [](FakePrintSpooler& s) {
    s.after_call = [&s](const std::string& call) {
      if (call.rfind("EndDocPrinter", 0) == 0) s.openable_names = std::vector<std::u16string>{};
    };
  };
  const Log open_shared = {At("OpenPrinter2W(NO_CACHE)", 100)};
  // clang-format off
  std::vector<WatchCase> cases = {
      {"printed at once", 1000, {{{0, kGone}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), FailedReads(1, {100}), Close(100)}),
       {}, 100, KickFate::kLeftQueue},
      {"leaves the queue after a while", 1000, {{{0, 0}, {150, kPrinting}, {300, kGone}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, {100, 200}), FailedReads(1, {400}),
               Close(400)}),
       {}, 400, KickFate::kLeftQueue},
      {"stays listed, marked printed", 1000,
       {{{0, kPrinting}, {300, kJobStatusPrinted | kJobStatusRetained}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, {100, 200, 400}), Close(400)}),
       {}, 400, KickFate::kPrinted},
      {"still queued at its time", 1000, {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Withdrawal(1, 1000),
               FailedReads(1, {1000}), Close(1000)}),
       {Withdrew(1, 1000)}, 1000, KickFate::kWithdrawn},
      {"offline at the default time: looked at 5 s apart at most", std::nullopt,
       {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100),
               Reads({1}, {100, 200, 400, 800, 1600, 3200, 6400, 11400, 16400, 21400, 26400,
                           30000}),
               Withdrawal(1, 30000), FailedReads(1, {30000}), Close(30000)}),
       {Withdrew(1, 30000)}, 30000, std::nullopt},
      {"printing cleanly at its time, done within the overrun", 1000,
       {{{0, kPrinting}, {1700, kGone}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Reads({1}, {1500}),
               FailedReads(1, {2000}), Close(2000)}),
       {}, 2000, KickFate::kLeftQueue},
      {"printing at the overrun bound: withdrawn while printing, gone later", 1000,
       {{{0, kPrinting}, {6700, kGone}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Reads({1}, overrun),
               Reads({1}, {6000}), Withdrawal(1, 6000), Reads({1}, {6000, 6500}),
               FailedReads(1, {7000}), Close(7000)}),
       {WithdrewWhilePrinting(1, 6000)}, 7000, KickFate::kWithdrawnWhilePrinting},
      {"printing forever: marked deleting, looked at 5 s after its withdrawal", 1000,
       {{{0, kPrinting}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Reads({1}, overrun),
               Reads({1}, {6000}), Withdrawal(1, 6000), Reads({1}, Every(500, 6000, 11000)),
               Close(11000)}),
       {WithdrewWhilePrinting(1, 6000)}, 11000, KickFate::kWithdrawnWhilePrinting},
      {"printing, then complete after its withdrawal: no warning", 1000,
       {{{0, kPrinting}, {6200, kPrinting | kJobStatusComplete}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Reads({1}, overrun),
               Reads({1}, {6000}), Withdrawal(1, 6000), Reads({1}, {6000, 6500}), Close(6500)}),
       {}, 6500, KickFate::kPrinted},
      {"removed by someone else", 1000, {{{0, kJobStatusPaused}, {500, kGone}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, {100, 200, 400}), FailedReads(1, {800}),
               Close(800)}),
       {}, 800, KickFate::kLeftQueue},
      {"GetJobW failing: unseen, so it may have printed", 1000, {{{0, kOffline}}},
       {{Step::kReadJob, 5}}, kNoDeadline,
       Concat({DrawerJob(), Open(100), FailedReads(1, to_limit), Withdrawal(1, 1000),
               FailedReads(1, Every(500, 1000, 6000)), Close(6000)}),
       {WithdrewWhilePrinting(1, 1000)}, 6000, KickFate::kWithdrawnWhilePrinting},
      {"GetJobW and SetJobW failing", 1000, {{{0, kOffline}}},
       {{Step::kReadJob, 5}, {Step::kDeleteJob, 5}}, kNoDeadline,
       Concat({DrawerJob(), Open(100), FailedReads(1, to_limit), Withdrawal(1, 1000),
               ErrorRead(1000), Close(1000)}),
       {CouldNotWithdraw(1, 5)}, 1000, KickFate::kUnknown},
      {"SetJobW failing", 1000, {{{0, kOffline}}}, {{Step::kDeleteJob, 1906}}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Withdrawal(1, 1000),
               ErrorRead(1000), Close(1000)}),
       {CouldNotWithdraw(1, 1906)}, 1000, KickFate::kWithdrawFailed},
      {"printed between GetJobW and SetJobW: SetJobW finds no such job", 1000,
       {{{0, kOffline}}}, {{Step::kDeleteJob, kInvalidParameterError}}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Withdrawal(1, 1000),
               ErrorRead(1000), Close(1000)}),
       {}, 1000, KickFate::kLeftQueue},
      {"the printer renamed after the send", 1000, {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Failing("OpenPrinterW", to_limit)}),
       {CouldNotWithdraw(1, kInvalidPrinterNameError)}, 1000, KickFate::kUnknown,
       "Receipt Printer", {}, renamed},
      {"a shared printer is watched without the cache, whose copy is stale", 1000,
       {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), open_shared, Reads({1}, to_limit), Withdrawal(1, 1000),
               FailedReads(1, {1000}), Close(1000)}),
       {Withdrew(1, 1000, kShared)}, 1000, KickFate::kWithdrawn, kShared, {},
       [](FakePrintSpooler& s) { s.server_cache = std::vector<JobRecord>{}; }},
      {"without OpenPrinter2W a cached 'gone' does not end the watch", 1000,
       {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Failing("OpenPrinter2W(NO_CACHE)", {100}), Open(100),
               FailedReads(1, to_limit), Withdrawal(1, 1000),
               FailedReads(1, Every(500, 1000, 6000)), Close(6000)}),
       {WithdrewWhilePrinting(1, 1000, kShared)}, 6000, KickFate::kWithdrawnWhilePrinting,
       kShared, {},
       [](FakePrintSpooler& s) {
         s.server_cache = std::vector<JobRecord>{};
         s.FailAt(Step::kOpenUncached, kProcNotFoundError);
       }},
      {"the spooler restarts: the printer opened anew", 1000, {{{0, kOffline}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, {100, 200}), FailedReads(1, {400}),
               Close(400), Open(400), Reads({1}, {400, 800, 1000}), Withdrawal(1, 1000),
               FailedReads(1, {1000}), Close(1000)}),
       {Withdrew(1, 1000)}, 1000, KickFate::kWithdrawn, "Receipt Printer", {},
       [](FakePrintSpooler& s) { s.service_restart_ms = 300; }},
      {"the spooler restarts and the id names another document", 1000,
       {{{0, kOffline}, {350, kOffline, u"", u"Invoice 4711"}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, {100, 200}), FailedReads(1, {400}),
               Close(400), Open(400), Reads({1}, {400}), Close(400)}),
       {}, 400, KickFate::kLeftQueue, "Receipt Printer", {},
       [](FakePrintSpooler& s) { s.service_restart_ms = 300; }},
      {"the spooler restarts under two kicks: their handle opened anew once, both ids checked",
       1000, {{{0, kOffline}}, {{0, kOffline}, {350, kOffline, u"", u"Invoice 4711"}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), DrawerJob(), Open(100), Reads({1, 2}, {100, 200}),
               FailedReads(1, {400}), Close(400), Open(400), Reads({1, 2}, {400}),
               Reads({1}, {800, 1000}), Withdrawal(1, 1000), FailedReads(1, {1000}),
               Close(1000)}),
       {Withdrew(1, 1000)}, 1000, std::nullopt, "Receipt Printer", {},
       [](FakePrintSpooler& s) { s.service_restart_ms = 300; }},
      {"the spooler restarts at the withdrawal: the id checked before SetJobW", 1000,
       {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(100), Reads({1}, to_limit), Withdrawal(1, 1000),
               ErrorRead(1000), Close(1000), Open(1000), Reads({1}, {1000}), Close(1000)}),
       {}, 1000, KickFate::kLeftQueue, "Receipt Printer", {},
       [](FakePrintSpooler& s) {
         // The restart gives the id to another document as SetJobW is made.
         s.FailFrom(Step::kDeleteJob, 1, kInvalidHandleError, 1);
         s.after_call = [&s](const std::string& call) {
           if (call.rfind("SetJobW(1)", 0) == 0) s.queue[0].document_name = u"Invoice 4711";
         };
       }},
      {"expireAfterMs 0: not watched", 0, {{{0, kOffline}}}, {}, kNoDeadline,
       DrawerJob(),
       {}, 0, std::nullopt},
      {"teardown with kicks still queued and printing, on one printer handle", std::nullopt,
       {{{0, kOffline}}, {{0, kPrinting}}}, {}, 500,
       Concat({DrawerJob(), DrawerJob(), Open(100),
               Reads({1, 2}, {100, 200, 400, 500, 750, 1000, 1250}), Reads({1}, {1500}),
               Withdrawal(1, 1500), FailedReads(1, {1500}), Reads({2}, {1500}),
               Withdrawal(2, 1500), Reads({2}, {1500, 1750, 2000}), Close(2000)}),
       {Withdrew(1, 1500), WithdrewWhilePrinting(2, 1500)}, 2000, std::nullopt},
      {"teardown ends when the last kick leaves", std::nullopt,
       {{{0, kOffline}, {900, kGone}}}, {}, 500,
       Concat({DrawerJob(), Open(100), Reads({1}, {100, 200, 400, 500, 750}),
               FailedReads(1, {1000}), Close(1000)}),
       {}, 1000, std::nullopt},
      {"teardown grace counted from the teardown, for a kick handed over later", 60000,
       {{{0, kOffline}}}, {}, 12000,
       Concat({DrawerJob(10000), Open(10100),
               Reads({1}, {10100, 10200, 10400, 10800, 11600, 12000, 12250, 12500,
                           12750, 13000}),
               Withdrawal(1, 13000), FailedReads(1, {13000}), Close(13000)}),
       {Withdrew(1, 3000)}, 13000, std::nullopt, "Receipt Printer", {10000}},
      {"teardown grace the same for kicks handed over at different times, on one handle",
       std::nullopt,
       {{{0, kOffline}}, {{0, kOffline}}}, {}, 25000,
       Concat({DrawerJob(), Open(100),
               Reads({1}, {100, 200, 400, 800, 1600, 3200, 6400, 11400, 16400}),
               DrawerJob(20000), Reads({2}, {20100, 20200, 20400, 20800}),
               Reads({1}, {21400}), Reads({2}, {21600, 23200}),
               Reads({1, 2}, {25000, 25250, 25500, 25750}), Reads({1}, {26000}),
               Withdrawal(1, 26000), FailedReads(1, {26000}), Reads({2}, {26000}),
               Withdrawal(2, 26000), FailedReads(2, {26000}), Close(26000)}),
       {Withdrew(1, 26000), Withdrew(2, 6000)}, 26000, std::nullopt, "Receipt Printer",
       {0, 20000}},
      {"teardown never opens again a printer that did not open", std::nullopt,
       {{{0, kOffline}}}, {}, 500,
       Concat({DrawerJob(), Failing("OpenPrinterW", {100, 200, 400})}),
       {CouldNotWithdraw(1, kInvalidPrinterNameError)}, 500, std::nullopt, "Receipt Printer",
       {}, renamed},
  };
  // clang-format on
  for (WatchCase& trouble : TroubleCases(to_limit)) cases.push_back(std::move(trouble));
  return cases;
}

int64_t SentAt(const WatchCase& c, size_t kick) {
  return kick < c.sent_at.size() ? c.sent_at[kick] : 0;
}

// Keeps what the watch tells its observer, as the standard error line each
// outcome makes ("" for none).
class RecordingObserver : public KickWatchObserver {
 public:
  void KickWatchEnded(const std::u16string& printer_name, uint32_t job_id,
                      const KickWatchOutcome& outcome) override {
    told.push_back(KickOutcomeLine(printer_name, job_id, outcome));
  }
  Log told;
};

// One receipt printer, the default, whose jobs live as `c` says.
struct KickWatchRun {
  explicit KickWatchRun(const WatchCase& c)
      : spooler(std::make_shared<FakePrintSpooler>()),
        clock(std::make_shared<ManualKickClock>()),
        teardown_clock(std::make_shared<ManualKickClock>()),
        printer(ToWideString(c.printer)) {
    spooler->printers = {{printer, u"EPSON TM-T88V", u"USB001"}};
    spooler->default_printer = printer;
    for (const auto& [step, code] : c.failures) spooler->FailAt(step, code);
    for (uint32_t job_id = 1; job_id <= c.kicks.size(); ++job_id) {
      spooler->job_lives[job_id] = c.kicks[job_id - 1];
    }
    std::shared_ptr<ManualKickClock> time = clock;
    spooler->now_ms = [time] { return time->NowMs(); };
    spooler->call_suffix = [time] { return "@" + std::to_string(time->NowMs()); };
    if (c.arrange) c.arrange(*spooler);
  }

  void Send(const WatchCase& c, KickWatcher* watch) {
    ValueMap arguments = {{"printerName", c.printer}};
    if (c.expire_after_ms) arguments.emplace("expireAfterMs", *c.expire_after_ms);
    Answer answer;
    HandleCashDrawerCall(
        flutter::MethodCall("openDrawer", std::make_unique<EncodableValue>(arguments)),
        std::make_unique<RecordingResult>(&answer), *spooler, watch);
    EXPECT_TRUE(SameValue(*answer.value, EncodableValue(ValueMap{{"success", true},
                                                                 {"message", kSentMessage},
                                                                 {"printerName", c.printer}})));
  }

  // Sends each kick at its time, and moves the clock to each look the watch
  // waits for, until it has nothing left or the teardown is due.
  void Run(const WatchCase& c) {
    const bool watched = !c.expire_after_ms || *c.expire_after_ms > 0;
    DrawerKickWatch watch(spooler, clock, teardown_clock, &observer);
    size_t sent = 0;
    for (int looks = 0;; ++looks) {
      const int64_t due = watched && sent > 0 ? clock->AwaitWaiter() : kNoDeadline;
      const int64_t next_send = sent < c.kicks.size() ? SentAt(c, sent) : kNoDeadline;
      if (std::min(due, next_send) >= c.teardown_at) break;
      if (looks == kMostLooks) {
        ADD_FAILURE() << "the watch still waits for a look at " << due;
        break;
      }
      clock->SetNow(std::min(due, next_send));
      if (next_send <= due) {
        Send(c, &watch);
        ++sent;
      }
    }
    if (c.teardown_at != kNoDeadline) clock->SetNow(c.teardown_at);
    clock->SkipWaits();
  }

  std::shared_ptr<FakePrintSpooler> spooler;
  std::shared_ptr<ManualKickClock> clock;
  std::shared_ptr<ManualKickClock> teardown_clock;
  std::u16string printer;
  RecordingObserver observer;
};

// Whatever the job does, a kick is never withdrawn once it has printed, never
// stays queued past its time and the overrun bound, or past the teardown's
// grace, unless an error line says it could not be withdrawn; it is never
// looked at more than kLeavingLookMs after its withdrawal; and one marked
// deleting by its withdrawal is never said to be withdrawn cleanly.
void ExpectNeverLateNorWrong(const WatchCase& c, const FakePrintSpooler& spooler,
                             const Log& lines) {
  if (c.expire_after_ms && *c.expire_after_ms <= 0) return;
  const Log calls = spooler.JobCalls();
  const int64_t limit = c.expire_after_ms.value_or(kDefaultExpireMs);
  const auto time_of = [](const std::string& call) {
    return std::stoll(call.substr(call.find('@') + 1));
  };
  const auto job_line = [&](uint32_t job_id, const char* start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.rfind(start, 0) == 0 &&
             line.find("(job " + std::to_string(job_id) + ")") != std::string::npos;
    });
  };
  for (uint32_t job_id = 1; job_id <= c.kicks.size(); ++job_id) {
    int64_t bound = SentAt(c, job_id - 1) + limit + kPrintingOverrunMs;
    if (c.teardown_at != kNoDeadline) bound = std::min(bound, c.teardown_at + kTeardownGraceMs);
    const int64_t done_at = DoneAt(c.kicks[job_id - 1]);
    int64_t queued_until = done_at;
    int64_t last_read = 0;
    for (const std::string& call : calls) {
      if (call.rfind(Job("GetJobW", job_id) + "@", 0) == 0) last_read = time_of(call);
      if (call.rfind(Job("SetJobW", job_id) + "@", 0) != 0) continue;
      const int64_t withdrawn_at = time_of(call);
      EXPECT_LT(withdrawn_at, done_at) << "job " << job_id << " withdrawn after it printed";
      queued_until = std::min(queued_until, withdrawn_at);
    }
    const bool reported = job_line(job_id, "Error:");
    EXPECT_TRUE(queued_until <= bound || reported) << "job " << job_id << " left queued";
    if (queued_until < kNoDeadline) {
      EXPECT_LE(last_read, queued_until + kLeavingLookMs) << "job " << job_id;
    }
    const auto& deleting = spooler.marked_deleting();
    if (std::find(deleting.begin(), deleting.end(), job_id) != deleting.end()) {
      EXPECT_FALSE(std::any_of(lines.begin(), lines.end(),
                               [&](const std::string& line) {
                                 return line.find("(job " + std::to_string(job_id) +
                                                  "), still queued") != std::string::npos;
                               }))
          << "job " << job_id << " said withdrawn cleanly while it was being deleted";
    }
  }
}

TEST(DrawerKickWatch, WatchesEachKickToItsEnd) {
  for (const WatchCase& c : WatchCases()) {
    SCOPED_TRACE(c.label);
    KickWatchRun run(c);
    StderrCapture capture;
    run.Run(c);
    const Log lines = capture.TakeLines();
    EXPECT_EQ(run.spooler->JobCalls(), c.calls);
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(run.clock->NowMs(), c.ended_at);
    EXPECT_EQ(run.spooler->open_printers(), 0);
    ExpectNeverLateNorWrong(c, *run.spooler, lines);
    // The observer is told the end of every kick watched, once, as the lines tell it.
    const bool watched = !c.expire_after_ms || *c.expire_after_ms > 0;
    EXPECT_EQ(run.observer.told.size(), watched ? c.kicks.size() : 0);
    Log told_lines;
    for (const std::string& line : run.observer.told) {
      if (!line.empty()) told_lines.push_back(line);
    }
    EXPECT_EQ(told_lines, c.lines);
  }
}

// The same lives watched on the caller's thread, as a console tool does.
TEST(WatchKickToEnd, GivesTheFateAfterTheSameCalls) {
  for (const WatchCase& c : WatchCases()) {
    if (!c.fate) continue;
    SCOPED_TRACE(c.label);
    KickWatchRun run(c);
    run.clock->SkipWaits();
    const DrawerJobReport report = RunDrawerJob(run.printer, "", 0, 25, 250, *run.spooler);
    ASSERT_TRUE(report.sent);
    StderrCapture capture;
    const KickWatchOutcome outcome =
        WatchKickToEnd(*run.spooler, run.printer, report.job_id, *c.expire_after_ms, *run.clock);
    EXPECT_TRUE(capture.TakeLines().empty());
    EXPECT_EQ(outcome.fate, *c.fate);
    EXPECT_EQ(run.clock->NowMs(), c.ended_at);
    EXPECT_EQ(run.spooler->JobCalls(), c.calls);
    EXPECT_EQ(run.spooler->open_printers(), 0);
    const Log line = {KickOutcomeLine(run.printer, report.job_id, outcome)};
    EXPECT_EQ(line, c.lines.empty() ? Log{""} : c.lines);
  }
}

// No time of 0 or less, and none above the longest, escapes the bounds.
TEST(WatchKickToEnd, BoundsAnyTime) {
  struct Case {
    int64_t expire_after_ms;
    int64_t withdrawn_at;
  };
  for (const Case& c : {Case{0, 0}, Case{-5, 0}, Case{kLongestKickTimeMs + 1, kLongestKickTimeMs},
                        Case{kNoDeadline, kLongestKickTimeMs}}) {
    SCOPED_TRACE(c.expire_after_ms);
    FakePrintSpooler spooler;
    JobRecord job;
    job.id = 3;
    job.status = kOffline;
    spooler.queue = {job};
    spooler.printers = {{kPrinter, u"", u""}};
    ManualKickClock clock;
    clock.SkipWaits();
    const KickWatchOutcome outcome = WatchKickToEnd(spooler, kPrinter, 3, c.expire_after_ms, clock);
    EXPECT_EQ(outcome.fate, KickFate::kWithdrawn);
    EXPECT_EQ(outcome.age_ms, c.withdrawn_at);
    EXPECT_TRUE(spooler.queue.empty());
  }
}

// Cut short from another thread while it waits, the watch looks at once and
// withdraws a kick still queued, even one printing cleanly, then looks after
// the withdrawal as a teardown does, never without end.
TEST(WatchKickToEnd, CutShortLooksAtOnceAndWithdraws) {
  struct Case {
    const char* label;
    JobLife life;
    int64_t cut_at;
    KickFate fate;
    Log calls;
  };
  const Log withdrawn_at_150 = Concat(
      {Open(100), Reads({1}, {100, 150}), Withdrawal(1, 150), FailedReads(1, {150}), Close(150)});
  // clang-format off
  const Case cases[] = {
      {"queued offline", {{0, kOffline}}, 150, KickFate::kWithdrawn, withdrawn_at_150},
      // Windows only marks it deleting: looked at until the teardown's last look.
      {"printing cleanly", {{0, kPrinting}}, 150, KickFate::kWithdrawnWhilePrinting,
       Concat({Open(100), Reads({1}, {100, 150}), Withdrawal(1, 150),
               Reads({1}, {150, 400, 650, 900, 1150, 1400, 1650}), Close(1650)})},
      {"gone by then", {{0, kOffline}, {120, kGone}}, 150, KickFate::kLeftQueue,
       Concat({Open(100), Reads({1}, {100}), FailedReads(1, {150}), Close(150)})},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FakePrintSpooler spooler;
    ManualKickClock clock;
    spooler.printers = {{kPrinter, u"", u""}};
    spooler.queue = {kestro_testing::MakeJob(1, kDrawerDocumentName, 0, 0)};
    spooler.call_suffix = [&clock] { return "@" + std::to_string(clock.NowMs()); };
    spooler.now_ms = [&clock] { return clock.NowMs(); };
    spooler.job_lives[1] = c.life;
    std::atomic<bool> cut{false};
    KickWatchOutcome outcome{};
    std::thread watch(
        [&] { outcome = WatchKickToEnd(spooler, kPrinter, 1, kDefaultExpireMs, clock, &cut); });
    for (int64_t due = clock.AwaitWaiter(); due <= c.cut_at; due = clock.AwaitWaiter()) {
      clock.SetNow(due);
    }
    clock.SetNow(c.cut_at);
    cut = true;
    // From the cut on, the watch's waits pass at once: it must end by itself.
    clock.SkipWaits();
    clock.Wake();
    watch.join();
    EXPECT_EQ(outcome.fate, c.fate);
    EXPECT_EQ(outcome.age_ms, c.cut_at);
    EXPECT_EQ(spooler.JobCalls(), c.calls);
    EXPECT_EQ(spooler.open_printers(), 0);
  }
}

// A kick handed over while the watch's thread sleeps wakes it only when its
// first look comes before the thread's own wake; either way it is looked at
// at its time. Job 1 (1000 ms, handed over at 0) is looked at at 100, 200 and
// 400; both jobs leave the queue at 300. The two share one printer handle,
// closed when the last of them ends.
TEST(DrawerKickWatch, WakesItsThreadOnlyForAnEarlierLook) {
  struct Case {
    const char* label;
    int64_t second_at;  // when job 2 is handed over; never a look's time
    int64_t second_expire_ms;
    int wakes;
    Log calls;
    Log lines;
  };
  // clang-format off
  const Case cases[] = {
      {"first look at the thread's wake: not woken", 0, 1000, 0,
       Concat({Open(100), Reads({1, 2}, {100, 200}), FailedReads(1, {400}),
               FailedReads(2, {400}), Close(400)}),
       {}},
      {"first look before it: woken", 0, 50, 1,
       Concat({Open(50), Reads({2}, {50}), Withdrawal(2, 50), FailedReads(2, {50}),
               Reads({1}, {100, 200}), FailedReads(1, {400}), Close(400)}),
       {Withdrew(2, 50)}},
      {"handed over during a long sleep, looked at before its end: woken", 250, 1000, 1,
       Concat({Open(100), Reads({1}, {100, 200}), FailedReads(2, {350}), FailedReads(1, {400}),
               Close(400)}),
       {}},
      {"handed over during a long sleep, looked at after its end: not woken", 350, 1000, 0,
       Concat({Open(100), Reads({1}, {100, 200}), FailedReads(1, {400}), FailedReads(2, {450}),
               Close(450)}),
       {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    auto spooler = std::make_shared<FakePrintSpooler>();
    auto clock = std::make_shared<ManualKickClock>();
    spooler->printers = {{kPrinter, u"", u""}};
    for (uint32_t job_id : {1, 2}) {
      spooler->queue.push_back(kestro_testing::MakeJob(job_id, kDrawerDocumentName, 0, 0));
      spooler->job_lives[job_id] = {{0, kOffline}, {300, kGone}};
    }
    spooler->now_ms = [clock] { return clock->NowMs(); };
    spooler->call_suffix = [clock] { return "@" + std::to_string(clock->NowMs()); };
    StderrCapture capture;
    DrawerKickWatch watch(spooler, clock, std::make_shared<ManualKickClock>());
    watch.Watch(kPrinter, 1, 1000);
    // The thread sleeps until its next look whenever job 2 comes.
    for (int64_t due = clock->AwaitWaiter(); due < c.second_at; due = clock->AwaitWaiter()) {
      clock->SetNow(due);
    }
    clock->SetNow(c.second_at);
    watch.Watch(kPrinter, 2, c.second_expire_ms);
    EXPECT_EQ(clock->wakes(), c.wakes);
    for (int64_t due = clock->AwaitWaiter(); due != kNoDeadline; due = clock->AwaitWaiter()) {
      clock->SetNow(due);
    }
    EXPECT_EQ(spooler->JobCalls(), c.calls);
    EXPECT_EQ(spooler->open_printers(), 0);
    EXPECT_EQ(capture.TakeLines(), c.lines);
  }
}

// The app's thread hands kicks over while the watch's thread looks at and
// withdraws earlier ones; the teardown withdraws what is left.
TEST(DrawerKickWatch, KicksHandedOverWhileTheWatchWorks) {
  constexpr uint32_t kKicks = 40;
  auto spooler = std::make_shared<FakePrintSpooler>();
  auto clock = std::make_shared<ManualKickClock>();
  spooler->printers = {{kPrinter, u"", u""}};
  spooler->default_printer = kPrinter;
  FakePrintSpooler* queue_owner = spooler.get();
  spooler->before_read_job = [queue_owner](uint32_t job_id) {
    for (JobRecord& job : queue_owner->queue) {
      if (job.id == job_id) job.status = kOffline;
    }
  };
  clock->SkipWaits();
  StderrCapture capture;
  {
    DrawerKickWatch watch(spooler, clock, std::make_shared<ManualKickClock>());
    for (uint32_t i = 0; i < kKicks; ++i) {
      const ValueMap arguments = {{"expireAfterMs", static_cast<int32_t>(100 + 50 * i)}};
      Answer answer;
      HandleCashDrawerCall(
          flutter::MethodCall("openDrawer", std::make_unique<EncodableValue>(arguments)),
          std::make_unique<RecordingResult>(&answer), *spooler, &watch);
    }
  }
  const Log lines = capture.TakeLines();
  EXPECT_TRUE(spooler->queue.empty());
  ASSERT_EQ(lines.size(), kKicks);
  for (uint32_t job_id = 1; job_id <= kKicks; ++job_id) {
    EXPECT_EQ(spooler->CountOf(Job("SetJobW", job_id)), 1) << job_id;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                              return line.find("(job " + std::to_string(job_id) + ")") !=
                                     std::string::npos;
                            }),
              1)
        << job_id;
  }
}

// Holds a spooler call until the test lets it go.
class CallGate {
 public:
  void Hold() {
    std::unique_lock<std::mutex> lock(mutex_);
    held_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  void AwaitHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool open_ = false;
};

// A GetJobW that does not return (a print server gone from the network) keeps
// the teardown waiting until its clock is 2000 ms on, not a moment longer;
// the watch's thread, left alone with what it shares, still withdraws the
// kick once the call returns, but no longer tells the observer.
TEST(DrawerKickWatch, TheTeardownWaitsForABlockedCallTwoSecondsAtMost) {
  RecordingObserver observer;
  auto spooler = std::make_shared<FakePrintSpooler>();
  auto clock = std::make_shared<ManualKickClock>();
  auto teardown_clock = std::make_shared<ManualKickClock>();
  auto gate = std::make_shared<CallGate>();
  spooler->printers = {{kPrinter, u"", u""}};
  spooler->default_printer = kPrinter;
  spooler->job_lives[1] = {{0, kOffline}};
  spooler->now_ms = [clock] { return clock->NowMs(); };
  spooler->call_suffix = [clock] { return "@" + std::to_string(clock->NowMs()); };
  spooler->after_call = [gate](const std::string& call) {
    if (call == "GetJobW(1)@100") gate->Hold();
  };
  teardown_clock->SetNow(7000);
  StderrCapture capture;
  auto watch = std::make_unique<DrawerKickWatch>(spooler, clock, teardown_clock, &observer);
  Answer answer;
  HandleCashDrawerCall(flutter::MethodCall("openDrawer", std::make_unique<EncodableValue>(
                                                             ValueMap{{"expireAfterMs", 30000}})),
                       std::make_unique<RecordingResult>(&answer), *spooler, watch.get());
  clock->SetNow(clock->AwaitWaiter());
  gate->AwaitHeld();

  std::thread ender([&watch] { watch.reset(); });
  EXPECT_EQ(teardown_clock->AwaitWaiter(), 9000);
  teardown_clock->SetNow(8999);
  EXPECT_EQ(teardown_clock->AwaitWaiter(), 9000);
  teardown_clock->SetNow(9000);
  ender.join();

  clock->SkipWaits();
  gate->Open();
  // The thread's last act wakes the teardown clock, after its last spooler call.
  teardown_clock->WaitUntil(kNoDeadline);
  EXPECT_EQ(capture.TakeLines(), (Log{kTeardownGaveUpLine, Withdrew(1, 1100)}));
  EXPECT_EQ(spooler->JobCalls(),
            Concat({DrawerJob(), Open(100), Reads({1}, {100, 100, 350, 600, 850, 1100}),
                    Withdrawal(1, 1100), FailedReads(1, {1100}), Close(1100)}));
  EXPECT_EQ(spooler->open_printers(), 0);
  EXPECT_EQ(observer.told, Log{});
}

}  // namespace
}  // namespace kestro
