// Connects the GUI process to a console, so that its output (and the engine
// library's) can be read when it is started from one or debugged.

#ifndef KESTRO_RUNNER_CONSOLE_H_
#define KESTRO_RUNNER_CONSOLE_H_

// Attaches to the parent process's console. When the parent has none and a
// debugger is present, opens a console of its own with
// CreateConsoleAndRedirect; otherwise the process stays without one.
void ConnectToConsole();

// Opens a new console and reopens standard output and standard error on it,
// then has the engine library follow the reopened streams. Does nothing when
// no console can be opened.
void CreateConsoleAndRedirect();

#endif  // KESTRO_RUNNER_CONSOLE_H_
