// The state service's threads against the test's, which plays the UI thread:
// each call is answered exactly once, on the UI thread, within the bounds on
// threads and channels; destroying the service answers what is left. Also
// runs under ThreadSanitizer.

#include "cash_drawer/drawer_state_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cash_drawer/testing/drawer_state_till.h"
#include "cash_drawer/testing/queued_ui_task_runner.h"

namespace kestro {
namespace {

using kestro_testing::DrawerStateTill;
using kestro_testing::QueuedUiTaskRunner;

// The answers one call got, and on which thread.
struct Answers {
  std::vector<std::string> summaries;  // "STATE via VIA: REASON"
  std::vector<std::thread::id> threads;
};

std::string Summary(const DrawerStateOutcome& outcome) {
  return std::string(StateName(outcome.reading.state)) + " via " + ViaOf(outcome) +
         (outcome.reading.reason.empty() ? "" : ": " + outcome.reading.reason);
}

DrawerStateCall ReadOf(const std::u16string& channel, int32_t timeout_ms = 1000) {
  DrawerStateCall call;
  call.printer = {u"Receipt", PrinterRule::kInstalledName};
  call.channel = {*ParseDrawerChannel(channel), SettingSource::kCall};
  call.timeout_ms = timeout_ms;
  return call;
}

// Starts `call`, answered into `*answers`.
void Start(DrawerStateService& service, const DrawerStateCall& call, Answers* answers) {
  service.Start(call, [answers](const DrawerStateOutcome& outcome) {
    answers->summaries.push_back(Summary(outcome));
    answers->threads.push_back(std::this_thread::get_id());
  });
}

// Starts each of `calls`, answered into the same entry of `*answers`.
void StartAll(DrawerStateService& service, const std::vector<DrawerStateCall>& calls,
              std::vector<Answers>* answers) {
  answers->resize(calls.size());
  for (size_t i = 0; i < calls.size(); ++i) Start(service, calls[i], &(*answers)[i]);
}

std::vector<std::string> Only(const std::vector<Answers>& answers) {
  std::vector<std::string> summaries;
  for (const Answers& answer : answers) {
    EXPECT_EQ(answer.summaries.size(), 1u);
    for (std::thread::id thread : answer.threads) EXPECT_EQ(thread, std::this_thread::get_id());
    summaries.push_back(answer.summaries.empty() ? "no answer" : answer.summaries[0]);
  }
  return summaries;
}

// Keeps each reading the service tells, "PRINTER STATE@MS", sorted on
// demand: the service's threads tell them in any order.
class RecordingReadings : public DrawerReadingObserver {
 public:
  void DrawerRead(const std::u16string& printer_name, DrawerState state, int64_t now_ms) override {
    std::lock_guard<std::mutex> lock(mutex_);
    told_.push_back(std::string(printer_name.begin(), printer_name.end()) + " " + StateName(state) +
                    "@" + std::to_string(now_ms));
  }
  std::vector<std::string> Sorted() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> told = told_;
    std::sort(told.begin(), told.end());
    return told;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> told_;  // guarded by mutex_
};

// Blocks until nothing but `*opener` holds it, which is when every thread of
// a destroyed service has ended, then lets it go.
void AwaitThreadsEnded(std::shared_ptr<kestro_testing::FakeLinkOpener>* opener) {
  std::weak_ptr<kestro_testing::FakeLinkOpener> watched = *opener;
  opener->reset();
  while (!watched.expired()) std::this_thread::yield();
}

// The readings that tell a state are told to the observer, at the times they
// were made; those that tell none are not.
TEST(DrawerStateService, AnswersEachCallOnceOnTheUiThread) {
  DrawerStateTill till;
  QueuedUiTaskRunner runner;
  RecordingReadings readings;
  std::vector<Answers> answers;
  {
    DrawerStateService service(till.backend(), runner, {2, 2000}, &readings);
    StartAll(service,
             {ReadOf(u"COM2"), ReadOf(u"usb:USB002"), ReadOf(u"COM5", 300), ReadOf(u"COM9"),
              ReadOf(u"tcp:10.0.0.7:9100", 100)},
             &answers);
    runner.AwaitPosted(5);
    for (const Answers& answer : answers) EXPECT_TRUE(answer.summaries.empty());
    EXPECT_EQ(runner.RunQueued(), 5u);
  }
  EXPECT_EQ(Only(answers),
            (std::vector<std::string>{
                "closed via COM2", "open via USB002", "unknown via COM5: no answer",
                "unknown via COM9: no such device", "unknown via tcp 10.0.0.7:9100: busy"}));
  // Two threads move one clock: only the first reading's time is known.
  std::vector<std::string> told = readings.Sorted();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].substr(0, told[0].find('@')), "Receipt closed");
  EXPECT_EQ(told[1].substr(0, told[1].find('@')), "Receipt open");
}

// Reads of five channels with three threads: three run at once, the rest
// wait for a thread.
TEST(DrawerStateService, RunsNoMoreCallsAtOnceThanItsThreads) {
  DrawerStateTill till;
  for (const char* channel : {"COM6", "COM7", "COM8"}) {
    till.opener->Add(channel, kestro_testing::AnsweringDevice({0x12}));
  }
  QueuedUiTaskRunner runner;
  std::vector<Answers> answers;
  {
    DrawerStateService service(till.backend(), runner, {3, 2000});
    till.opener->Hold();
    StartAll(
        service,
        {ReadOf(u"COM2"), ReadOf(u"usb:USB002"), ReadOf(u"COM6"), ReadOf(u"COM7"), ReadOf(u"COM8")},
        &answers);
    till.opener->AwaitHeld(3);
    EXPECT_EQ(till.opener->most_open(), 3);
    till.opener->Release();
    runner.AwaitPosted(5);
    runner.RunQueued();
  }
  EXPECT_EQ(till.opener->most_open(), 3);
  EXPECT_EQ(till.opener->most_open_of_one_channel(), 1);
  EXPECT_EQ(Only(answers),
            (std::vector<std::string>{"closed via COM2", "open via USB002", "open via COM6",
                                      "open via COM7", "open via COM8"}));
}

// A read of a channel another read holds waits as for a busy port, and gives
// up when its time is up. The device answers at once: the busy read's sleeps
// move the shared clock past the other's time, which an answer due later
// would miss.
TEST(DrawerStateService, NeverInterleavesTwoReadsOfOneChannel) {
  DrawerStateTill till;
  till.opener->Add("COM3", kestro_testing::AnsweringDevice({0x16}, 0));
  QueuedUiTaskRunner runner;
  std::vector<Answers> answers;
  {
    DrawerStateService service(till.backend(), runner, {2, 2000});
    till.opener->Hold();
    StartAll(service, {ReadOf(u"COM3"), ReadOf(u"com3")}, &answers);
    // The one that is not held can only end busy.
    runner.AwaitPosted(1);
    till.opener->Release();
    runner.AwaitPosted(2);
    runner.RunQueued();
  }
  EXPECT_EQ(till.opener->most_open_of_one_channel(), 1);
  std::vector<std::string> summaries = Only(answers);
  std::sort(summaries.begin(), summaries.end());
  EXPECT_EQ(summaries, (std::vector<std::string>{"closed via COM3", "unknown via COM3: busy"}));
}

// The window closes while one answer waits for the UI thread, one read runs
// and two wait for a thread: all four are answered at once, "closing", and
// the read still running ends later without a word, to the observer too.
TEST(DrawerStateService, AnswersWhatIsLeftAtOnceWhenDestroyed) {
  DrawerStateTill till;
  QueuedUiTaskRunner runner;
  RecordingReadings readings;
  std::vector<Answers> answers(4);
  auto opener = till.opener;
  {
    DrawerStateService service(till.backend(), runner, {1, 0}, &readings);
    Start(service, ReadOf(u"COM2"), &answers[0]);
    runner.AwaitPosted(1);
    opener->Hold();
    Start(service, ReadOf(u"usb:USB002"), &answers[1]);
    Start(service, ReadOf(u"COM5"), &answers[2]);
    Start(service, ReadOf(u"COM2"), &answers[3]);
    opener->AwaitHeld(1);
    for (const Answers& answer : answers) EXPECT_TRUE(answer.summaries.empty());
  }
  const std::vector<std::string> closing = {
      "unknown via COM2: closing", "unknown via USB002: closing", "unknown via COM5: closing",
      "unknown via COM2: closing"};
  EXPECT_EQ(Only(answers), closing);
  // The first read's answer comes too late and is dropped.
  EXPECT_EQ(runner.RunQueued(), 1u);
  opener->Release();
  till = DrawerStateTill();
  AwaitThreadsEnded(&opener);
  EXPECT_EQ(runner.RunQueued(), 0u);
  EXPECT_EQ(Only(answers), closing);
  EXPECT_EQ(readings.Sorted(), std::vector<std::string>{"Receipt closed@20"});
}

// An answer the UI thread does not take (it is ending) is given when the
// service is destroyed.
TEST(DrawerStateService, AnswersARefusedAnswerWhenDestroyed) {
  DrawerStateTill till;
  QueuedUiTaskRunner runner;
  runner.Refuse();
  std::vector<Answers> answers(1);
  {
    DrawerStateService service(till.backend(), runner);
    Start(service, ReadOf(u"COM2"), &answers[0]);
    runner.AwaitPosted(1);
    EXPECT_TRUE(answers[0].summaries.empty());
  }
  EXPECT_EQ(Only(answers), (std::vector<std::string>{"unknown via COM2: closing"}));
}

}  // namespace
}  // namespace kestro
