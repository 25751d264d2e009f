#include "cash_drawer/testing/queued_ui_task_runner.h"

#include <utility>

namespace kestro_testing {

bool QueuedUiTaskRunner::PostTask(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++posted_count_;
  posted_.notify_all();
  if (refusing_) return false;
  tasks_.push_back(std::move(task));
  return true;
}

void QueuedUiTaskRunner::Refuse() {
  std::lock_guard<std::mutex> lock(mutex_);
  refusing_ = true;
}

void QueuedUiTaskRunner::AwaitPosted(size_t count) {
  std::unique_lock<std::mutex> lock(mutex_);
  posted_.wait(lock, [&] { return posted_count_ >= count; });
}

size_t QueuedUiTaskRunner::RunQueued() {
  size_t ran = 0;
  while (true) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (tasks_.empty()) return ran;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    ++ran;
  }
}

}  // namespace kestro_testing
