// The watch over sent drawer kicks, with the fake spooler playing each job's
// life by the clock and the test moving the clock by hand. Runs with the
// watch's own thread against the test's, so it also runs under
// ThreadSanitizer.

#include "cash_drawer/drawer_kick_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cash_drawer/cash_drawer_handler.h"
#include "cash_drawer/cash_drawer_job.h"
#include "cash_drawer/kick_decision.h"
#include "cash_drawer/testing/fake_print_spooler.h"
#include "cash_drawer/testing/manual_kick_clock.h"
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
constexpr int64_t kDefaultExpireMs = 30000;
// More looks than any case needs: a watch that never ends fails the case.
constexpr int kMostLooks = 100;

// A job's status from a time on; kGone takes it out of the queue.
constexpr uint32_t kGone = 0xFFFFFFFF;
struct Phase {
  int64_t from_ms;
  uint32_t status;
};
using JobLife = std::vector<Phase>;

void PlayLife(const JobLife& life, uint32_t job_id, int64_t now_ms, std::vector<JobRecord>* queue) {
  auto job = std::find_if(queue->begin(), queue->end(),
                          [&](const JobRecord& record) { return record.id == job_id; });
  if (job == queue->end()) return;
  uint32_t status = job->status;
  for (const Phase& phase : life) {
    if (phase.from_ms <= now_ms) status = phase.status;
  }
  if (status == kGone) {
    queue->erase(job);
  } else {
    job->status = status;
  }
}

// When the life has the job printed or gone.
int64_t DoneAt(const JobLife& life) {
  for (const Phase& phase : life) {
    if (phase.status == kGone || (phase.status & kJobStatusPrinted) != 0) return phase.from_ms;
  }
  return kNoDeadline;
}

// The call log's entries, each stamped with the time it was made at.
std::string At(const std::string& call, int64_t ms) { return call + "@" + std::to_string(ms); }
Log DrawerJob() {
  Log log;
  for (const char* call :
       {"OpenPrinterW", "GetPrinterDriverW", "StartDocPrinterW(RAW)", "StartPagePrinter",
        "WritePrinter", "EndPagePrinter", "EndDocPrinter", "ClosePrinter"}) {
    log.push_back(At(call, 0));
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
// GetJobW failing at each of `times`, its code read right after.
Log FailedReads(uint32_t job_id, const std::vector<int64_t>& times) {
  Log log;
  for (int64_t ms : times) {
    log.push_back(At(Job("GetJobW", job_id), ms));
    log.push_back(At("GetLastError", ms));
  }
  return log;
}
Log Withdrawal(uint32_t job_id, int64_t ms) { return {At(Job("SetJobW", job_id), ms)}; }
Log ErrorRead(int64_t ms) { return {At("GetLastError", ms)}; }
Log Concat(std::initializer_list<Log> parts) {
  Log log;
  for (const Log& part : parts) log.insert(log.end(), part.begin(), part.end());
  return log;
}

std::string Withdrew(uint32_t job_id, int64_t age_ms) {
  return "Warning: withdrew the cash drawer command from printer \"Receipt Printer\" (job " +
         std::to_string(job_id) + "), still queued after " + std::to_string(age_ms) + " ms";
}
std::string CouldNotWithdraw(uint32_t job_id, uint32_t code) {
  return "Error: could not withdraw the cash drawer command from printer \"Receipt Printer\" "
         "(job " +
         std::to_string(job_id) + "): error " + std::to_string(code);
}

struct WatchCase {
  const char* label;
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
};

const uint32_t kPrinting = kJobStatusPrinting;
const uint32_t kOffline = kJobStatusOffline;

std::vector<WatchCase> WatchCases() {
  const std::vector<int64_t> to_limit = {0, 100, 200, 400, 800, 1000};
  const std::vector<int64_t> overrun = {1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500};
  // clang-format off
  return {
      {"printed at once", 1000, {{{0, kGone}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(0), FailedReads(1, {0}), Close(0)}),
       {}, 0, KickFate::kLeftQueue},
      {"leaves the queue after a while", 1000, {{{0, 0}, {150, kPrinting}, {300, kGone}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, {0, 100, 200}), FailedReads(1, {400}),
               Close(400)}),
       {}, 400, KickFate::kLeftQueue},
      {"stays listed, marked printed", 1000,
       {{{0, kPrinting}, {300, kJobStatusPrinted | kJobStatusRetained}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, {0, 100, 200, 400}), Close(400)}),
       {}, 400, KickFate::kPrinted},
      {"still queued at its time", 1000, {{{0, kOffline}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, to_limit), Withdrawal(1, 1000), Close(1000)}),
       {Withdrew(1, 1000)}, 1000, KickFate::kWithdrawn},
      {"printing cleanly at its time, done within the overrun", 1000,
       {{{0, kPrinting}, {1700, kGone}}}, {}, kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, to_limit), Reads({1}, {1500}),
               FailedReads(1, {2000}), Close(2000)}),
       {}, 2000, KickFate::kLeftQueue},
      {"printing forever: withdrawn at the overrun bound", 1000, {{{0, kPrinting}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, to_limit), Reads({1}, overrun),
               Reads({1}, {6000}), Withdrawal(1, 6000), Close(6000)}),
       {Withdrew(1, 6000)}, 6000, KickFate::kWithdrawn},
      {"printing with an error mark at its time", 1000, {{{0, kPrinting | kJobStatusError}}},
       {}, kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, to_limit), Withdrawal(1, 1000), Close(1000)}),
       {Withdrew(1, 1000)}, 1000, KickFate::kWithdrawn},
      {"removed by someone else", 1000, {{{0, kJobStatusPaused}, {500, kGone}}}, {},
       kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, {0, 100, 200, 400}), FailedReads(1, {800}),
               Close(800)}),
       {}, 800, KickFate::kLeftQueue},
      {"GetJobW failing", 1000, {{{0, kOffline}}}, {{Step::kReadJob, 5}}, kNoDeadline,
       Concat({DrawerJob(), Open(0), FailedReads(1, to_limit), Withdrawal(1, 1000),
               Close(1000)}),
       {Withdrew(1, 1000)}, 1000, KickFate::kWithdrawn},
      {"GetJobW and SetJobW failing", 1000, {{{0, kOffline}}},
       {{Step::kReadJob, 5}, {Step::kDeleteJob, 5}}, kNoDeadline,
       Concat({DrawerJob(), Open(0), FailedReads(1, to_limit), Withdrawal(1, 1000),
               ErrorRead(1000), Close(1000)}),
       {CouldNotWithdraw(1, 5)}, 1000, KickFate::kUnknown},
      {"SetJobW failing", 1000, {{{0, kOffline}}}, {{Step::kDeleteJob, 1906}}, kNoDeadline,
       Concat({DrawerJob(), Open(0), Reads({1}, to_limit), Withdrawal(1, 1000),
               ErrorRead(1000), Close(1000)}),
       {CouldNotWithdraw(1, 1906)}, 1000, KickFate::kWithdrawFailed},
      {"expireAfterMs 0: not watched", 0, {{{0, kOffline}}}, {}, kNoDeadline,
       DrawerJob(),
       {}, 0, std::nullopt},
      {"teardown with kicks still queued and printing", std::nullopt,
       {{{0, kOffline}}, {{0, kPrinting}}}, {}, 500,
       Concat({DrawerJob(), Open(0), Reads({1}, {0}), DrawerJob(), Open(0), Reads({2}, {0}),
               Reads({1, 2}, {100, 200, 400, 500, 750, 1000, 1250}), Reads({1}, {1500}),
               Withdrawal(1, 1500), Close(1500), Reads({2}, {1500}), Withdrawal(2, 1500),
               Close(1500)}),
       {Withdrew(1, 1500), Withdrew(2, 1500)}, 1500, std::nullopt},
      {"teardown ends when the last kick leaves", std::nullopt,
       {{{0, kOffline}, {900, kGone}}}, {}, 500,
       Concat({DrawerJob(), Open(0), Reads({1}, {0, 100, 200, 400, 500, 750}),
               FailedReads(1, {1000}), Close(1000)}),
       {}, 1000, std::nullopt},
  };
  // clang-format on
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
  explicit KickWatchRun(const WatchCase& c) {
    spooler.printers = {{kPrinter, u"EPSON TM-T88V", u"USB001"}};
    spooler.default_printer = kPrinter;
    for (const auto& [step, code] : c.failures) spooler.FailAt(step, code);
    spooler.call_suffix = [this] { return "@" + std::to_string(clock.NowMs()); };
    spooler.before_read_job = [this, &c](uint32_t job_id) {
      PlayLife(c.kicks.at(job_id - 1), job_id, clock.NowMs(), &spooler.queue);
    };
  }

  // Sends each kick through the handler, then moves the clock to each look
  // the watch waits for until it has nothing left or the teardown is due.
  void Run(const WatchCase& c) {
    const bool watched = !c.expire_after_ms || *c.expire_after_ms > 0;
    ValueMap arguments = {{"printerName", "Receipt Printer"}};
    if (c.expire_after_ms) arguments.emplace("expireAfterMs", *c.expire_after_ms);
    DrawerKickWatch watch(spooler, clock, &observer);
    for (size_t i = 0; i < c.kicks.size(); ++i) {
      Answer answer;
      HandleCashDrawerCall(
          flutter::MethodCall("openDrawer", std::make_unique<EncodableValue>(arguments)),
          std::make_unique<RecordingResult>(&answer), spooler, &watch);
      EXPECT_TRUE(SameValue(
          *answer.value,
          EncodableValue(ValueMap{
              {"success", true}, {"message", kSentMessage}, {"printerName", "Receipt Printer"}})));
      if (watched) clock.AwaitWaiter();
    }
    for (int looks = 0; watched; ++looks) {
      const int64_t due = clock.AwaitWaiter();
      if (due >= c.teardown_at) break;
      if (looks == kMostLooks) {
        ADD_FAILURE() << "the watch still waits for a look at " << due;
        break;
      }
      clock.SetNow(due);
    }
    if (c.teardown_at != kNoDeadline) clock.SetNow(c.teardown_at);
    clock.SkipWaits();
  }

  FakePrintSpooler spooler;
  ManualKickClock clock;
  RecordingObserver observer;
};

// Whatever the job does, a kick is never withdrawn once it has printed, and
// never stays queued past its time and the overrun bound, or past the
// teardown's grace, unless an error line says it could not be withdrawn.
void ExpectNeverLateNorWrong(const WatchCase& c, const Log& calls, const Log& lines) {
  if (c.expire_after_ms && *c.expire_after_ms <= 0) return;
  const int64_t limit = c.expire_after_ms.value_or(kDefaultExpireMs);
  int64_t bound = limit + kPrintingOverrunMs;
  if (c.teardown_at != kNoDeadline) bound = std::min(bound, c.teardown_at + kTeardownGraceMs);
  for (uint32_t job_id = 1; job_id <= c.kicks.size(); ++job_id) {
    const int64_t done_at = DoneAt(c.kicks[job_id - 1]);
    int64_t queued_until = done_at;
    for (const std::string& call : calls) {
      if (call.rfind(Job("SetJobW", job_id) + "@", 0) != 0) continue;
      const int64_t withdrawn_at = std::stoll(call.substr(call.find('@') + 1));
      EXPECT_LT(withdrawn_at, done_at) << "job " << job_id << " withdrawn after it printed";
      queued_until = std::min(queued_until, withdrawn_at);
    }
    const bool reported = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.rfind("Error:", 0) == 0 &&
             line.find("(job " + std::to_string(job_id) + ")") != std::string::npos;
    });
    EXPECT_TRUE(queued_until <= bound || reported) << "job " << job_id << " left queued";
  }
}

TEST(DrawerKickWatch, WatchesEachKickToItsEnd) {
  for (const WatchCase& c : WatchCases()) {
    SCOPED_TRACE(c.label);
    KickWatchRun run(c);
    StderrCapture capture;
    run.Run(c);
    const Log lines = capture.TakeLines();
    EXPECT_EQ(run.spooler.JobCalls(), c.calls);
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(run.clock.NowMs(), c.ended_at);
    EXPECT_EQ(run.spooler.open_printers(), 0);
    ExpectNeverLateNorWrong(c, run.spooler.JobCalls(), lines);
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
    run.clock.SkipWaits();
    const DrawerJobReport report = RunDrawerJob(kPrinter, "", 0, 25, 250, run.spooler);
    ASSERT_TRUE(report.sent);
    StderrCapture capture;
    const KickWatchOutcome outcome =
        WatchKickToEnd(run.spooler, kPrinter, report.job_id, *c.expire_after_ms, run.clock);
    EXPECT_TRUE(capture.TakeLines().empty());
    EXPECT_EQ(outcome.fate, *c.fate);
    EXPECT_EQ(outcome.age_ms, c.ended_at);
    EXPECT_EQ(run.spooler.JobCalls(), c.calls);
    EXPECT_EQ(run.spooler.open_printers(), 0);
    const Log line = {KickOutcomeLine(kPrinter, report.job_id, outcome)};
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

// The app's thread hands kicks over while the watch's thread looks at and
// withdraws earlier ones; the teardown withdraws what is left.
TEST(DrawerKickWatch, KicksHandedOverWhileTheWatchWorks) {
  constexpr uint32_t kKicks = 40;
  FakePrintSpooler spooler;
  ManualKickClock clock;
  spooler.printers = {{kPrinter, u"", u""}};
  spooler.default_printer = kPrinter;
  spooler.before_read_job = [&spooler](uint32_t job_id) {
    PlayLife({{0, kOffline}}, job_id, 0, &spooler.queue);
  };
  clock.SkipWaits();
  StderrCapture capture;
  {
    DrawerKickWatch watch(spooler, clock);
    for (uint32_t i = 0; i < kKicks; ++i) {
      const ValueMap arguments = {{"expireAfterMs", static_cast<int32_t>(100 + 50 * i)}};
      Answer answer;
      HandleCashDrawerCall(
          flutter::MethodCall("openDrawer", std::make_unique<EncodableValue>(arguments)),
          std::make_unique<RecordingResult>(&answer), spooler, &watch);
    }
  }
  const Log lines = capture.TakeLines();
  EXPECT_TRUE(spooler.queue.empty());
  ASSERT_EQ(lines.size(), kKicks);
  for (uint32_t job_id = 1; job_id <= kKicks; ++job_id) {
    EXPECT_EQ(spooler.CountOf(Job("SetJobW", job_id)), 1) << job_id;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                              return line.find("(job " + std::to_string(job_id) + ")") !=
                                     std::string::npos;
                            }),
              1)
        << job_id;
  }
}

}  // namespace
}  // namespace kestro
