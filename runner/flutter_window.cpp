#include "runner/flutter_window.h"

#include <optional>

#include "embedding/app_plugins.h"
#include "runner/cash_drawer_channel.h"

namespace {

// The end of the session is the window's own to handle, whatever the engine
// answers: the user is never kept from logging off, and the engine must be
// ended before Windows ends the process.
bool IsSessionEnd(UINT message) {
  return message == WM_QUERYENDSESSION || message == WM_ENDSESSION;
}

}  // namespace

FlutterWindow::FlutterWindow(const flutter::DartBundle& bundle, CashDrawerMachine machine)
    : bundle(bundle), machine(machine) {}

FlutterWindow::~FlutterWindow() {
  cash_drawer_channel.reset();
  view_controller.reset();
}

bool FlutterWindow::OnWindowCreated() {
  if (!Win32Window::OnWindowCreated()) return false;

  RECT client = ClientArea();
  view_controller = std::make_unique<flutter::FlutterViewController>(
      client.right - client.left, client.bottom - client.top, bundle);
  flutter::FlutterEngine* engine = view_controller->GetEngine();
  if (engine == nullptr || view_controller->GetView() == nullptr) {
    // The engine library has already ended this controller's engine. Kept,
    // the controller would hand that engine to the next font reload.
    view_controller.reset();
    return false;
  }

  flutter::RegisterAppPlugins(engine);
  InstallCashDrawerChannel();
  AttachContent(view_controller->GetView()->GetHWND());
  // Shown only once the engine has something to show.
  engine->SetNextFrameCallback([this]() { ShowNormal(); });
  view_controller->ForceRedraw();
  return true;
}

void FlutterWindow::InstallCashDrawerChannel() {
  // An earlier channel goes first: its teardown removes the handler of the
  // channel's name.
  cash_drawer_channel.reset();
  cash_drawer_channel =
      std::make_unique<CashDrawerChannel>(view_controller->GetEngine()->GetMessenger(), machine);
}

LRESULT FlutterWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (view_controller) {
    std::optional<LRESULT> answer =
        view_controller->HandleTopLevelWindowProc(window, message, wparam, lparam);
    if (answer && !IsSessionEnd(message)) return *answer;
    if (message == WM_FONTCHANGE) view_controller->GetEngine()->ReloadSystemFonts();
  }
  return Win32Window::HandleMessage(window, message, wparam, lparam);
}

void FlutterWindow::OnWindowDestroying() {
  if (view_controller) {
    cash_drawer_channel.reset();
    view_controller.reset();
  }
  Win32Window::OnWindowDestroying();
}
