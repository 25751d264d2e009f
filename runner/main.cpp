// The host's entry point: connects a console, opens the till's settings and
// audit trail, prepares COM, starts the Dart app in the one FlutterWindow and
// runs the message loop until the window is closed.

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <objbase.h>

#include "cash_drawer/till_services_win.h"
#include "embedding/dart_bundle.h"
#include "runner/command_line.h"
#include "runner/console.h"
#include "runner/flutter_window.h"
#include "runner/version.h"

namespace {

constexpr char16_t kBundleRoot[] = u"data";
constexpr char16_t kWindowTitle[] = u"kestro";
constexpr WindowOrigin kWindowOrigin{10, 10};
constexpr WindowSize kWindowSize{1280, 720};
constexpr int kExitNormal = 0;
constexpr int kExitWindowFailed = 1;
// How the program ended, in its last audit event.
constexpr char kEndedNormally[] = "the window was closed";
constexpr char kEndedWithoutWindow[] = "the window could not be created";

// Dispatches messages until the quit message arrives, whoever posted it.
void RunMessageLoop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// Has Windows start the program again, without arguments, when an
// installation closes it through the Restart Manager; not after a crash, a
// hang or a reboot. Windows honours it once the program has run for a
// minute. A failure changes nothing the program does, so it is not examined.
void RegisterForRestart() {
  ::RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  ConnectToConsole();
  // Destroyed last, when the teardown below is complete.
  ScopedConsoleControl console_control;
  // Outlives the window, whose teardown still reports to its audit trail.
  kestro::TillServices till;
  till.audit().ProgramStarted(KESTRO_VERSION_TEXT);
  RegisterForRestart();
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  flutter::DartBundle bundle(kBundleRoot);
  bundle.SetEntryPointArguments(CollectCommandLineArguments());

  // Destroyed before the bundle, on every path out.
  FlutterWindow window(bundle, {&till.audit(), &till.settings(), &till.tracker()});
  if (!window.CreateNativeWindow(kWindowTitle, kWindowOrigin, kWindowSize)) {
    till.audit().ProgramEnded(kEndedWithoutWindow, kExitWindowFailed);
    return kExitWindowFailed;
  }
  window.SetQuitWhenClosed(true);
  console_control.CloseOnConsoleEnd(window.GetHandle());
  window.NotifyWhenDestroyed([&console_control] { console_control.CloseOnConsoleEnd(nullptr); });

  RunMessageLoop();
  // A quit message posted by someone else ends the loop while the window
  // still exists: take it down now, so that the engine and the plugins end
  // before COM does. After a close the window is gone and nothing happens.
  window.DestroyNativeWindow();
  ::CoUninitialize();
  till.audit().ProgramEnded(kEndedNormally, kExitNormal);
  return kExitNormal;
}
