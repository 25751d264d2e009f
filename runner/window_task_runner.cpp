#include "runner/window_task_runner.h"

#include <utility>

namespace {

constexpr wchar_t kWindowClassName[] = L"KESTRO_UI_TASKS";
// The one message the window handles: tasks are waiting.
constexpr UINT kRunTasksMessage = WM_APP + 1;

// The window class, registered once per process on the UI thread.
bool RegisterWindowClassOnce(WNDPROC window_proc) {
  static const bool registered = [window_proc] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClassName;
    return ::RegisterClassExW(&window_class) != 0;
  }();
  return registered;
}

}  // namespace

WindowTaskRunner::WindowTaskRunner() {
  if (!RegisterWindowClassOnce(&WindowTaskRunner::WindowProc)) return;
  window_ = ::CreateWindowExW(0, kWindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  if (window_ != nullptr) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

WindowTaskRunner::~WindowTaskRunner() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    accepting_ = false;
    dropped.swap(tasks_);
  }
  // The dropped tasks are destroyed outside the lock: what they hold may post.
  dropped.clear();
  if (window_ != nullptr) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

bool WindowTaskRunner::PostTask(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!accepting_ || window_ == nullptr) return false;
  tasks_.push_back(std::move(task));
  if (!message_posted_) {
    // One message stands for every task queued until it is handled.
    message_posted_ = ::PostMessageW(window_, kRunTasksMessage, 0, 0) != 0;
    if (!message_posted_) {
      tasks_.pop_back();
      return false;
    }
  }
  return true;
}

void WindowTaskRunner::RunPendingTasks() {
  std::deque<std::function<void()>> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    due.swap(tasks_);
    message_posted_ = false;
  }
  for (std::function<void()>& task : due) task();
}

// static
LRESULT CALLBACK WindowTaskRunner::WindowProc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
  if (message == kRunTasksMessage) {
    auto* runner = reinterpret_cast<WindowTaskRunner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (runner != nullptr) runner->RunPendingTasks();
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}
