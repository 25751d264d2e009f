// Where work done off the UI thread hands its results back to it: a channel
// answer is sent on the UI thread only.

#ifndef KESTRO_CASH_DRAWER_UI_TASK_RUNNER_H_
#define KESTRO_CASH_DRAWER_UI_TASK_RUNNER_H_

#include <functional>

namespace kestro {

class UiTaskRunner {
 public:
  virtual ~UiTaskRunner() = default;

  // Queues `task` to run once on the UI thread, later, and returns at once;
  // callable from any thread. Returns false when the UI thread takes no more
  // tasks (it is shutting down): `task` is then dropped unrun.
  virtual bool PostTask(std::function<void()> task) = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_UI_TASK_RUNNER_H_
