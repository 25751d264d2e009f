#include "runner/console.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <mutex>

#include "embedding/flutter_desktop_api.h"
#include "runner/console_control.h"

static_assert(kCtrlCEvent == CTRL_C_EVENT && kCtrlBreakEvent == CTRL_BREAK_EVENT &&
              kCtrlCloseEvent == CTRL_CLOSE_EVENT);

namespace {

// Windows ends a process about five seconds after its console was closed,
// whatever the handler does; waiting longer gains nothing.
constexpr DWORD kTeardownWaitMs = 5000;

// What the control handler, which Windows runs on a thread of its own for
// each event, shares with the UI thread. Never destroyed, and its event
// never closed: a handler may still be waiting on it while the process
// exits.
struct ConsoleControlState {
  // Held while the window is posted to, so that the UI thread never clears
  // the handle between the handler's reading and its posting.
  std::mutex window_lock;
  HWND window = nullptr;
  // Manual reset: set once, at the end of the teardown, for every waiter.
  HANDLE teardown_finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

ConsoleControlState& ControlState() {
  static ConsoleControlState* const state = new ConsoleControlState();
  return *state;
}

BOOL WINAPI OnConsoleControl(DWORD event) noexcept {
  switch (ActionForConsoleControl(event)) {
    case ConsoleControlAction::kIgnore:
      return TRUE;
    case ConsoleControlAction::kPassOn:
      return FALSE;
    case ConsoleControlAction::kCloseWindow:
      break;
  }
  ConsoleControlState& state = ControlState();
  {
    // Only posted: this thread must not touch the window itself.
    std::lock_guard<std::mutex> hold(state.window_lock);
    if (state.window != nullptr) ::PostMessageW(state.window, WM_CLOSE, 0, 0);
  }
  ::WaitForSingleObject(state.teardown_finished, kTeardownWaitMs);
  return TRUE;
}

// Reopens `stream` on the console. When that fails, descriptor `descriptor`
// is pointed at standard output's file instead.
void ReopenOnConsole(FILE* stream, int descriptor) {
  FILE* reopened = nullptr;
  if (freopen_s(&reopened, "CONOUT$", "w", stream) != 0) {
    _dup2(_fileno(stdout), descriptor);
  }
}

}  // namespace

void ConnectToConsole() {
  if (!::AttachConsole(ATTACH_PARENT_PROCESS) && ::IsDebuggerPresent()) {
    CreateConsoleAndRedirect();
  }
}

void CreateConsoleAndRedirect() {
  if (!::AllocConsole()) return;
  ReopenOnConsole(stdout, 1);
  ReopenOnConsole(stderr, 2);
  std::ios::sync_with_stdio(true);
  FlutterDesktopResyncOutputStreams();
}

ScopedConsoleControl::ScopedConsoleControl() {
  ControlState();  // created here, on the UI thread, before any event can come
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

// The handler stays installed: an event after this returns at once, and
// Ctrl+C during the process's exit is still ignored.
ScopedConsoleControl::~ScopedConsoleControl() { ::SetEvent(ControlState().teardown_finished); }

void ScopedConsoleControl::CloseOnConsoleEnd(HWND window) {
  ConsoleControlState& state = ControlState();
  std::lock_guard<std::mutex> hold(state.window_lock);
  state.window = window;
}
