#include "runner/win32_window.h"

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "embedding/callback_boundary.h"
#include "embedding/flutter_desktop_api.h"
#include "runner/resource_ids.h"
#include "runner/system_theme.h"
#include "text/wide_chars.h"

namespace {

constexpr wchar_t kWindowClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";

// Win32Window objects alive in the process; the class stays registered while
// any is left.
int32_t live_window_count = 0;

// Registers the window class once per process, and forgets it again when it
// is unregistered.
class WindowClassRegistry {
 public:
  static WindowClassRegistry& Instance() {
    static WindowClassRegistry* const instance = new WindowClassRegistry();
    return *instance;
  }

  // Registers the class unless it already was. A failed registration is not
  // examined: the window creation that follows fails instead.
  void EnsureRegistered(WNDPROC window_proc) {
    if (class_registered) return;
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = module;
    window_class.hIcon = ::LoadIconW(module, MAKEINTRESOURCEW(IDI_APP_ICON));
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kWindowClassName;
    ::RegisterClassW(&window_class);
    class_registered = true;
  }

  void Unregister() {
    ::UnregisterClassW(kWindowClassName, nullptr);
    class_registered = false;
  }

 private:
  WindowClassRegistry() = default;

  bool class_registered = false;
};

struct LibraryDeleter {
  void operator()(HMODULE library) const { ::FreeLibrary(library); }
};
using ScopedLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

// Lets Windows scale the caption and frame with the DPI where the system
// offers it; older systems lack the function and are left as they are.
void EnableNonClientDpiScalingIfAvailable(HWND window) {
  ScopedLibrary user32(::LoadLibraryA("User32.dll"));
  if (!user32) return;
  using EnableNonClientDpiScaling = BOOL(WINAPI*)(HWND);
  auto enable = reinterpret_cast<EnableNonClientDpiScaling>(
      reinterpret_cast<void*>(::GetProcAddress(user32.get(), "EnableNonClientDpiScaling")));
  if (enable != nullptr) enable(window);
}

// The window's outer bounds in pixels: `origin` and `size` scaled to the DPI
// of the monitor nearest the unscaled origin, then fitted into that
// monitor's work area, so that at a high scale the window neither reaches
// past the screen's edge nor lies under the taskbar.
WindowBounds ScaledBoundsNear(const WindowOrigin& origin, const WindowSize& size) {
  HMONITOR monitor = ::MonitorFromPoint(POINT{origin.x, origin.y}, MONITOR_DEFAULTTONEAREST);
  double scale = ScaleFactorForDpi(FlutterDesktopGetDpiForMonitor(monitor));
  WindowBounds bounds{ScaleOrigin(origin, scale), ScaleSize(size, scale)};
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(monitor, &info)) return bounds;
  const RECT& work = info.rcWork;
  return FitToWorkArea(bounds, ScreenRect{work.left, work.top, work.right, work.bottom});
}

}  // namespace

Win32Window::Win32Window() { ++live_window_count; }

Win32Window::~Win32Window() {
  --live_window_count;
  DestroyNativeWindow();
}

bool Win32Window::CreateNativeWindow(const std::u16string& title, const WindowOrigin& origin,
                                     const WindowSize& size) {
  DestroyNativeWindow();
  WindowClassRegistry::Instance().EnsureRegistered(StaticWindowProc);

  WindowBounds bounds = ScaledBoundsNear(origin, size);
  HWND window =
      ::CreateWindowExW(0, kWindowClassName, kestro::text::AsWideChars(title), WS_OVERLAPPEDWINDOW,
                        bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height,
                        nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (window == nullptr) return false;

  ApplySystemTheme(window);
  return OnWindowCreated();
}

void Win32Window::DestroyNativeWindow() {
  OnWindowDestroying();
  if (window_handle != nullptr) {
    // The WM_DESTROY sent from here clears window_handle before its own,
    // nested run of this function, so the window is destroyed only once.
    ::DestroyWindow(window_handle);
    window_handle = nullptr;
  }
  if (live_window_count == 0) WindowClassRegistry::Instance().Unregister();
}

// static
LRESULT CALLBACK Win32Window::StaticWindowProc(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) noexcept {
  return flutter::RunAtCallbackBoundary([&]() -> LRESULT {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      auto* self = static_cast<Win32Window*>(create->lpCreateParams);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      EnableNonClientDpiScalingIfAvailable(window);
      self->window_handle = window;
      return ::DefWindowProcW(window, message, wparam, lparam);
    }
    auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) return self->HandleMessage(window, message, wparam, lparam);
    return ::DefWindowProcW(window, message, wparam, lparam);
  });
}

LRESULT Win32Window::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      window_handle = nullptr;
      DestroyNativeWindow();
      if (destroyed_observer) destroyed_observer();
      if (quit_when_closed) ::PostQuitMessage(0);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows may end the process as soon as this returns: the content
      // goes now, as it does when the window is closed. A session end that
      // was called off (wparam FALSE) changes nothing.
      if (wparam) DestroyNativeWindow();
      return 0;
    case WM_SIZE:
      MoveContentToClientArea();
      return 0;
    case WM_ACTIVATE:
      if (content_window != nullptr) ::SetFocus(content_window);
      return 0;
    case WM_DPICHANGED: {
      auto* suggested = reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DWMCOLORIZATIONCOLORCHANGED:
      ApplySystemTheme(window);
      return 0;
    case WM_SETTINGCHANGE:
      // Not answered here: the default procedure still sees every setting.
      if (IsThemeSettingChange(lparam)) ApplySystemTheme(window);
      break;
  }
  // The stored handle, not `window`: it is null once WM_DESTROY has run.
  return ::DefWindowProcW(window_handle, message, wparam, lparam);
}

bool Win32Window::OnWindowCreated() { return true; }

void Win32Window::OnWindowDestroying() {}

void Win32Window::AttachContent(HWND content) {
  content_window = content;
  ::SetParent(content, window_handle);
  MoveContentToClientArea();
  ::SetFocus(content_window);
}

void Win32Window::MoveContentToClientArea() {
  RECT client = ClientArea();
  if (content_window == nullptr) return;
  ::MoveWindow(content_window, client.left, client.top, client.right - client.left,
               client.bottom - client.top, TRUE);
}

void Win32Window::SetQuitWhenClosed(bool quit) { quit_when_closed = quit; }

void Win32Window::NotifyWhenDestroyed(std::function<void()> observer) {
  destroyed_observer = std::move(observer);
}

RECT Win32Window::ClientArea() const {
  RECT client{};
  ::GetClientRect(window_handle, &client);
  return client;
}

bool Win32Window::ShowNormal() { return ::ShowWindow(window_handle, SW_SHOWNORMAL) != 0; }
