// floor-window.exe OUT: the least a program does to show the host's window.
// It registers a window class, creates a window titled "kestro" at (10, 10)
// of 1280 x 720 (scaled to the screen's DPI, as the host scales them) with
// the host's window styles, shows it, and at its first paint writes
// {"firstPaintMs": [T]} to OUT, T being milliseconds since the process
// started. Then it closes the window and ends as the host does, through
// WM_DESTROY and the quit message. Exit code 0, or 1 when the window or the
// file could not be made.

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <shellapi.h>

#include <string>

#include "bench/floors/floor_output_win.h"
#include "standins/engine/process_clock_win.h"

namespace {

constexpr wchar_t kClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";
constexpr int kLogicalX = 10;
constexpr int kLogicalY = 10;
constexpr int kLogicalWidth = 1280;
constexpr int kLogicalHeight = 720;
constexpr int kDefaultDpi = 96;

std::wstring g_output_path;
bool g_painted = false;
bool g_written = false;

int Scale(int logical, int dpi) { return MulDiv(logical, dpi, kDefaultDpi); }

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultDpi;
}

void PaintOnce(HWND window) {
  const double first_paint_ms = kestro::standin::MillisecondsSinceProcessStart();
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window, &paint);
  ::FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::EndPaint(window, &paint);
  if (g_painted) return;
  g_painted = true;
  g_written = kestro::floors::WriteTimes(g_output_path, "firstPaintMs", {first_paint_ms});
  ::DestroyWindow(window);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      PaintOnce(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 2) return 1;
  g_output_path = argv[1];
  ::LocalFree(argv);

  WNDCLASSW window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  ::RegisterClassW(&window_class);
  const int dpi = ScreenDpi();
  HWND window = ::CreateWindowExW(
      0, kClassName, L"kestro", WS_OVERLAPPEDWINDOW, Scale(kLogicalX, dpi), Scale(kLogicalY, dpi),
      Scale(kLogicalWidth, dpi), Scale(kLogicalHeight, dpi), nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, SW_SHOWNORMAL);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return g_written ? 0 : 1;
}
