// The UI thread's task queue: tasks handed over from other threads run on the
// thread that pumps messages, each once and in order, and none runs after
// the queue is gone.

#include "runner/window_task_runner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Dispatches every message waiting for this thread.
void PumpMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

// Counts how often it was run and whether it was destroyed unrun.
struct Probe {
  int runs = 0;
  bool destroyed = false;
};
struct ProbeGuard {
  explicit ProbeGuard(Probe* probe) : probe(probe) {}
  ~ProbeGuard() { probe->destroyed = true; }
  Probe* probe;
};

// Runs tasks posted from several threads on the pumping thread, each once,
// every thread's tasks in the order it posted them.
TEST(WindowTaskRunner, RunsEachTaskOnceInOrderOnThePumpingThread) {
  constexpr int kThreads = 4;
  constexpr int kTasksEach = 250;
  WindowTaskRunner runner;
  const std::thread::id ui_thread = std::this_thread::get_id();
  std::vector<std::vector<int>> seen(kThreads);
  int off_thread_runs = 0;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kTasksEach; ++i) {
        EXPECT_TRUE(runner.PostTask([&, t, i] {
          if (std::this_thread::get_id() != ui_thread) ++off_thread_runs;
          seen[t].push_back(i);
        }));
      }
    });
  }
  for (std::thread& poster : posters) poster.join();
  EXPECT_TRUE(seen[0].empty()) << "a task ran before the UI thread pumped messages";
  PumpMessages();
  std::vector<int> expected;
  for (int i = 0; i < kTasksEach; ++i) expected.push_back(i);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], expected) << "thread " << t;
  EXPECT_EQ(off_thread_runs, 0);
}

// A task posted by a running task waits for the next message, and the queue
// keeps working after it has been emptied.
TEST(WindowTaskRunner, TaskPostedByATaskRunsInTheNextRound) {
  WindowTaskRunner runner;
  std::vector<std::string> log;
  ASSERT_TRUE(runner.PostTask([&] {
    log.push_back("first");
    runner.PostTask([&] { log.push_back("second"); });
  }));
  runner.RunPendingTasks();
  EXPECT_EQ(log, (std::vector<std::string>{"first"}));
  PumpMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
}

// Tasks still queued when the queue goes are destroyed unrun, and their
// message finds nothing to run.
TEST(WindowTaskRunner, DropsQueuedTasksUnrunWhenDestroyed) {
  Probe probe;
  {
    WindowTaskRunner runner;
    auto guard = std::make_shared<ProbeGuard>(&probe);
    ASSERT_TRUE(runner.PostTask([guard] { ++guard->probe->runs; }));
    guard.reset();
    EXPECT_FALSE(probe.destroyed);
  }
  EXPECT_TRUE(probe.destroyed);
  PumpMessages();
  EXPECT_EQ(probe.runs, 0);
}

}  // namespace
