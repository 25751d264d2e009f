// What the host does with a control event from the console it is connected
// to. Left to Windows, each of these events ends the process at once, in the
// middle of whatever the till is doing.

#ifndef KESTRO_RUNNER_CONSOLE_CONTROL_H_
#define KESTRO_RUNNER_CONSOLE_CONTROL_H_

#include <cstdint>

// The console control events, numbered as Windows numbers them.
inline constexpr uint32_t kCtrlCEvent = 0;
inline constexpr uint32_t kCtrlBreakEvent = 1;
inline constexpr uint32_t kCtrlCloseEvent = 2;

enum class ConsoleControlAction {
  // The event is handled and the process goes on.
  kIgnore,
  // The window is asked to close, as the user would close it, and the
  // handler waits for the teardown to finish before Windows ends the
  // process.
  kCloseWindow,
  // Not ours to handle: the next handler, in the end Windows' own, decides.
  kPassOn,
};

// Ctrl+C and Ctrl+Break, which a parent console sends to every program
// attached to it, are ignored. Closing the console closes the window. Any
// other event is passed on: Windows sends no logoff or shutdown event to a
// process that has loaded user32, whose window hears of the session's end
// instead.
ConsoleControlAction ActionForConsoleControl(uint32_t event);

#endif  // KESTRO_RUNNER_CONSOLE_CONTROL_H_
