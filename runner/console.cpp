#include "runner/console.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>

#include "embedding/flutter_desktop_api.h"

namespace {

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
