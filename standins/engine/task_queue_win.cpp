#include "standins/engine/task_queue_win.h"

#include <utility>

#include "standins/engine/this_module_win.h"

namespace kestro::standin {
namespace {

constexpr wchar_t kClassName[] = L"KestroStandInTaskWindow";
constexpr UINT kRunTasksMessage = WM_APP + 1;

}  // namespace

TaskQueue::TaskQueue() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &TaskQueue::WindowProc;
  window_class.hInstance = ThisModule();
  window_class.lpszClassName = kClassName;
  ::RegisterClassW(&window_class);  // fails harmlessly when already registered
  window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ThisModule(), nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TaskQueue::~TaskQueue() {
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

void TaskQueue::Post(Task task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(std::move(task));
  }
  ::PostMessageW(window_, kRunTasksMessage, 0, 0);
}

uint64_t TaskQueue::PostDelayed(int delay_ms, Task task) {
  const uint64_t id = next_timer_id_++;
  timers_[id] = std::move(task);
  ::SetTimer(window_, static_cast<UINT_PTR>(id), static_cast<UINT>(delay_ms), nullptr);
  return id;
}

void TaskQueue::Cancel(uint64_t timer_id) {
  if (timers_.erase(timer_id) != 0) ::KillTimer(window_, static_cast<UINT_PTR>(timer_id));
}

void TaskQueue::RunPending() {
  // One task per message keeps the order and lets window messages in between.
  Task task;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.empty()) return;
    task = std::move(pending_.front());
    pending_.pop_front();
  }
  task();
}

void TaskQueue::RunTimer(uint64_t timer_id) {
  auto found = timers_.find(timer_id);
  if (found == timers_.end()) return;
  Task task = std::move(found->second);
  Cancel(timer_id);
  task();
}

LRESULT CALLBACK TaskQueue::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* queue = reinterpret_cast<TaskQueue*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (queue != nullptr && message == kRunTasksMessage) {
    queue->RunPending();
    return 0;
  }
  if (queue != nullptr && message == WM_TIMER) {
    queue->RunTimer(static_cast<uint64_t>(wparam));
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace kestro::standin
