// Runs work on the UI thread: tasks posted from any thread, and one-shot
// timers, through a message-only window of the thread that made the queue.

#ifndef KESTRO_STANDINS_ENGINE_TASK_QUEUE_WIN_H_
#define KESTRO_STANDINS_ENGINE_TASK_QUEUE_WIN_H_

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace kestro::standin {

class TaskQueue {
 public:
  using Task = std::function<void()>;

  // Creates the queue's window on the calling thread, which then runs every
  // task and timer inside its message loop.
  TaskQueue();
  // Drops pending tasks and timers without running them.
  ~TaskQueue();

  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  // Runs `task` later on the UI thread, in posting order. Any thread.
  void Post(Task task);
  // Runs `task` once after `delay_ms` on the UI thread, unless cancelled.
  // Returns the timer's id. UI thread only.
  uint64_t PostDelayed(int delay_ms, Task task);
  void Cancel(uint64_t timer_id);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void RunPending();
  void RunTimer(uint64_t timer_id);

  HWND window_ = nullptr;
  std::mutex mutex_;
  std::deque<Task> pending_;
  std::map<uint64_t, Task> timers_;
  uint64_t next_timer_id_ = 1;
};

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_ENGINE_TASK_QUEUE_WIN_H_
