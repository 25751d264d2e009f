// A UI thread's task queue for tests: tasks posted from any thread wait
// until the test, playing the UI thread, runs them.

#ifndef KESTRO_CASH_DRAWER_TESTING_QUEUED_UI_TASK_RUNNER_H_
#define KESTRO_CASH_DRAWER_TESTING_QUEUED_UI_TASK_RUNNER_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "cash_drawer/ui_task_runner.h"

namespace kestro_testing {

class QueuedUiTaskRunner : public kestro::UiTaskRunner {
 public:
  // Queues `task`; after Refuse(), drops it and returns false.
  bool PostTask(std::function<void()> task) override;

  // From now on every task is refused, as by a UI thread that is ending.
  void Refuse();
  // Blocks until `count` tasks have been posted in all, refused ones
  // included.
  void AwaitPosted(size_t count);
  // Runs the queued tasks on the calling thread, in order, those they post
  // included; returns how many ran.
  size_t RunQueued();

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
  size_t posted_count_ = 0;
  bool refusing_ = false;
};

}  // namespace kestro_testing

#endif  // KESTRO_CASH_DRAWER_TESTING_QUEUED_UI_TASK_RUNNER_H_
