// Runs tasks that other threads hand over on the UI thread, through a
// message-only window whose messages the UI thread's message loop dispatches.
// The cash drawer service reads the drawer on threads of its own and sends
// each answer through here, since the engine takes answers on the UI thread
// only.

#ifndef KESTRO_RUNNER_WINDOW_TASK_RUNNER_H_
#define KESTRO_RUNNER_WINDOW_TASK_RUNNER_H_

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "cash_drawer/ui_task_runner.h"

class WindowTaskRunner : public kestro::UiTaskRunner {
 public:
  // Creates the message-only window on the calling thread, which must be the
  // UI thread and run a message loop. Without a window (creation failed),
  // every PostTask is refused.
  WindowTaskRunner();
  // Refuses further tasks, drops those not yet run (unrun) and destroys the
  // window. Called on the UI thread.
  ~WindowTaskRunner() override;

  WindowTaskRunner(const WindowTaskRunner&) = delete;
  WindowTaskRunner& operator=(const WindowTaskRunner&) = delete;

  // Callable from any thread. The tasks run in the order they were posted,
  // each once, when the UI thread next dispatches messages.
  bool PostTask(std::function<void()> task) override;

  // Runs the tasks posted so far, on the UI thread; what the window does when
  // its message arrives. Tasks posted while they run wait for the next round.
  void RunPendingTasks();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Shared with PostTask on other threads; destroyed with the runner.
  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;  // guarded by mutex_
  bool accepting_ = true;                    // guarded by mutex_
  bool message_posted_ = false;              // guarded by mutex_
  HWND window_ = nullptr;                    // set once, before any other thread sees it
};

#endif  // KESTRO_RUNNER_WINDOW_TASK_RUNNER_H_
