// Connects the GUI process to a console, so that its output (and the engine
// library's) can be read when it is started from one or debugged.

#ifndef KESTRO_RUNNER_CONSOLE_H_
#define KESTRO_RUNNER_CONSOLE_H_

#include <windows.h>

// Attaches to the parent process's console. When the parent has none and a
// debugger is present, opens a console of its own with
// CreateConsoleAndRedirect; otherwise the process stays without one.
void ConnectToConsole();

// Opens a new console and reopens standard output and standard error on it,
// then has the engine library follow the reopened streams. Does nothing when
// no console can be opened.
void CreateConsoleAndRedirect();

// Keeps the console's control events from ending the process in the middle
// of its work. From its construction to the process's exit, Ctrl+C and
// Ctrl+Break are ignored, and closing the console closes the window the way
// the user would and waits, for at most five seconds, until the object is
// destroyed: Windows ends the process once the handler returns. Create it
// after ConnectToConsole, once per process, on the UI thread, and let it
// outlive the whole teardown, so that its destruction marks the teardown's
// end.
class ScopedConsoleControl {
 public:
  ScopedConsoleControl();
  ~ScopedConsoleControl();

  ScopedConsoleControl(const ScopedConsoleControl&) = delete;
  ScopedConsoleControl& operator=(const ScopedConsoleControl&) = delete;

  // The top-level window that closing the console closes. Borrowed: set it
  // to null as the window is destroyed. While it is null, closing the
  // console only waits for the teardown.
  void CloseOnConsoleEnd(HWND window);
};

#endif  // KESTRO_RUNNER_CONSOLE_H_
