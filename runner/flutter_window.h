// The process's one top-level window, whose client area shows the Flutter
// view: it starts the engine when its window is created, registers the app's
// plugins, installs the cash drawer channel and shows itself at the engine's
// first frame.

#ifndef KESTRO_RUNNER_FLUTTER_WINDOW_H_
#define KESTRO_RUNNER_FLUTTER_WINDOW_H_

#include <windows.h>

#include <memory>

#include "embedding/dart_bundle.h"
#include "embedding/flutter_view_controller.h"
#include "runner/cash_drawer_channel.h"
#include "runner/win32_window.h"

// Offers every window message to the engine first; only the session's end
// reaches the window's own handling whatever the engine answers. When the
// window is destroyed (closed, or at the end of the session) the cash drawer
// channel goes first, then the view controller (which ends the engine and
// the plugins), and only then may the quit message be posted.
class FlutterWindow : public Win32Window {
 public:
  // Keeps its own copy of `bundle`; the cash drawer channel it installs works
  // with `machine`, whose services must outlive the window. No window is
  // created yet.
  explicit FlutterWindow(const flutter::DartBundle& bundle, CashDrawerMachine machine = {});
  // Destroys the channel, then the view controller, then the bundle, then
  // the window if it is still there.
  ~FlutterWindow() override;

 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  // Creates the view controller for the client area. Returns false, with no
  // plugin registered, no channel, no content and no controller kept, when
  // it has no view.
  bool OnWindowCreated() override;
  void OnWindowDestroying() override;

 private:
  // Makes the cash drawer channel, with its call handler, on the engine's
  // messenger. Requires a complete view controller.
  void InstallCashDrawerChannel();

  // Lets tests see whether a view controller is kept.
  friend class FlutterWindowTestPeer;

  flutter::DartBundle bundle;
  CashDrawerMachine machine;
  // Present only while complete (it has a view), so that every message
  // handled with a controller may act on its engine.
  std::unique_ptr<flutter::FlutterViewController> view_controller;
  std::unique_ptr<CashDrawerChannel> cash_drawer_channel;
};

#endif  // KESTRO_RUNNER_FLUTTER_WINDOW_H_
