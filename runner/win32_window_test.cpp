#include "runner/win32_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";
constexpr WindowOrigin kOrigin{10, 10};
constexpr WindowSize kSize{1280, 720};

bool ClassRegistered() {
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  return ::GetClassInfoExW(::GetModuleHandleW(nullptr), kClassName, &info) != FALSE;
}

// Removes every message waiting for this thread and says whether a quit
// message was among them, with its exit code.
bool DrainQueueForQuit(WPARAM* exit_code) {
  bool quit = false;
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit = true;
      *exit_code = message.wParam;
    }
  }
  return quit;
}

// The stand-in engine library answers every DPI query with this value.
class ScopedDpi {
 public:
  explicit ScopedDpi(int dpi) { _wputenv_s(L"KESTRO_STANDIN_DPI", std::to_wstring(dpi).c_str()); }
  ~ScopedDpi() { _wputenv_s(L"KESTRO_STANDIN_DPI", L""); }
};

RECT WindowRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

// Places `child` relative to `parent`'s client area.
RECT ChildRect(HWND parent, HWND child) {
  RECT rect = WindowRect(child);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectSameRect(const RECT& actual, const RECT& expected) {
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.right, expected.right);
  EXPECT_EQ(actual.bottom, expected.bottom);
}

// A window that records its hooks. Each record notes whether the top-level
// window still existed when the hook ran.
class RecordingWindow : public Win32Window {
 public:
  std::vector<std::string> events;
  bool created_result = true;

 protected:
  bool OnWindowCreated() override {
    events.push_back("created");
    return created_result;
  }
  void OnWindowDestroying() override {
    events.push_back(::IsWindow(GetHandle()) ? "destroying with window" : "destroying without");
  }
};

// A child window to serve as content, first placed in a parent of its own
// as an engine's view would be.
struct ScopedContent {
  ScopedContent()
      : first_parent(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr)),
        window(::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 40,
                                 first_parent, nullptr, ::GetModuleHandleW(nullptr), nullptr)) {}
  ~ScopedContent() {
    if (::IsWindow(window)) ::DestroyWindow(window);
    ::DestroyWindow(first_parent);
  }
  HWND first_parent;
  HWND window;
};

struct DpiCase {
  int dpi;
  RECT expected;  // left, top, right, bottom of the outer window
};

// Verifies that the logical origin and size are scaled by the monitor's DPI
// and truncated, and that a scaled window larger than the monitor's work
// area is fitted into it.
TEST(Win32WindowTest, PlacesWindowAtScaledOriginAndSizeWithinTheWorkArea) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{kOrigin.x, kOrigin.y}, MONITOR_DEFAULTTONEAREST),
                    &monitor);
  const RECT work = monitor.rcWork;
  // The test display is 1920 x 1080: room for the window at 120 dpi, not at
  // 144 dpi.
  if (work.right - work.left < 12 + 1600 || work.bottom - work.top < 12 + 900 ||
      work.right - work.left > 1920 || work.bottom - work.top > 1080) {
    GTEST_SKIP() << "needs a work area between 1612 x 912 and 1920 x 1080";
  }
  const DpiCase cases[] = {
      {96, {10, 10, 10 + 1280, 10 + 720}},
      {120, {12, 12, 12 + 1600, 12 + 900}},
      {144, work},
  };
  for (const DpiCase& c : cases) {
    SCOPED_TRACE(c.dpi);
    ScopedDpi dpi(c.dpi);
    Win32Window window;
    ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
    ExpectSameRect(WindowRect(window.GetHandle()), c.expected);
  }
}

TEST(Win32WindowTest, CreatesHiddenOverlappedWindowWithTitleClassAndIcon) {
  Win32Window window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro \u00e9", kOrigin, kSize));
  HWND handle = window.GetHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_FALSE(::IsWindowVisible(handle));

  wchar_t text[64] = {};
  ::GetWindowTextW(handle, text, 64);
  EXPECT_EQ(std::wstring(text), L"kestro \u00e9");
  ::GetClassNameW(handle, text, 64);
  EXPECT_EQ(std::wstring(text), kClassName);

  LONG_PTR style = ::GetWindowLongPtrW(handle, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(style & (WS_VISIBLE | WS_CHILD | WS_POPUP), 0);
  EXPECT_EQ(::GetWindowLongPtrW(handle, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
  EXPECT_NE(::GetClassLongPtrW(handle, GCLP_HICON), 0u);
  // Messages the base does not handle reach the default procedure.
  EXPECT_EQ(::SendMessageW(handle, WM_GETTEXTLENGTH, 0, 0), 8);
}

TEST(Win32WindowTest, SizeAndActivateWithoutContentReturnZero) {
  const UINT messages[] = {WM_SIZE, WM_ACTIVATE};
  Win32Window window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  for (UINT message : messages) {
    SCOPED_TRACE(message);
    HWND focus_before = ::GetFocus();
    EXPECT_EQ(::SendMessageW(window.GetHandle(), message, WA_ACTIVE, MAKELPARAM(300, 200)), 0);
    EXPECT_EQ(::GetFocus(), focus_before);
  }
  EXPECT_TRUE(::IsWindow(window.GetHandle()));
}

TEST(Win32WindowTest, ContentFillsClientAreaAndFollowsResizes) {
  Win32Window window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  ScopedContent content;
  ASSERT_NE(content.window, nullptr);

  window.AttachContent(content.window);
  EXPECT_EQ(::GetParent(content.window), window.GetHandle());
  ExpectSameRect(ChildRect(window.GetHandle(), content.window), window.ClientArea());
  EXPECT_EQ(::GetFocus(), content.window);

  ::SetWindowPos(window.GetHandle(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
  RECT client = window.ClientArea();
  EXPECT_LT(client.right, 700);
  ExpectSameRect(ChildRect(window.GetHandle(), content.window), client);

  ::SetFocus(nullptr);
  EXPECT_EQ(::SendMessageW(window.GetHandle(), WM_ACTIVATE, WA_ACTIVE, 0), 0);
  EXPECT_EQ(::GetFocus(), content.window);
}

TEST(Win32WindowTest, DpiChangeAppliesExactlyTheSuggestedRectangle) {
  Win32Window window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  HWND active_before = ::GetActiveWindow();
  RECT suggested{37, 21, 37 + 1603, 21 + 905};
  EXPECT_EQ(::SendMessageW(window.GetHandle(), WM_DPICHANGED, MAKEWPARAM(120, 120),
                           reinterpret_cast<LPARAM>(&suggested)),
            0);
  ExpectSameRect(WindowRect(window.GetHandle()), suggested);
  EXPECT_EQ(::GetActiveWindow(), active_before);
  EXPECT_FALSE(::IsWindowVisible(window.GetHandle()));
}

// Closing the window through its frame posts the quit message only when the
// window was asked to.
TEST(Win32WindowTest, ClosingPostsQuitOnlyWhenAsked) {
  for (bool quit_when_closed : {false, true}) {
    SCOPED_TRACE(quit_when_closed);
    WPARAM exit_code = 99;
    DrainQueueForQuit(&exit_code);
    Win32Window window;
    ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
    window.SetQuitWhenClosed(quit_when_closed);
    HWND handle = window.GetHandle();

    ::SendMessageW(handle, WM_CLOSE, 0, 0);

    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ(window.GetHandle(), nullptr);
    EXPECT_EQ(DrainQueueForQuit(&exit_code), quit_when_closed);
    if (quit_when_closed) {
      EXPECT_EQ(exit_code, 0u);
    }
  }
}

// Windows may end the process as soon as WM_ENDSESSION returns. The window
// never refuses the end of the session; when it ends, the window is torn
// down and destroyed, its observer told and the quit message posted before
// the message returns. An end that was called off changes nothing.
TEST(Win32WindowTest, SessionEndDestroysTheWindowBeforeTheMessageReturns) {
  WPARAM exit_code = 99;
  DrainQueueForQuit(&exit_code);
  RecordingWindow window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  window.SetQuitWhenClosed(true);
  window.NotifyWhenDestroyed([&window] {
    window.events.push_back(window.GetHandle() ? "observer with handle" : "observer");
  });
  HWND handle = window.GetHandle();
  window.events.clear();

  EXPECT_EQ(::SendMessageW(handle, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_EQ(::SendMessageW(handle, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF), 0);
  EXPECT_TRUE(::IsWindow(handle));
  EXPECT_FALSE(DrainQueueForQuit(&exit_code));
  EXPECT_TRUE(window.events.empty());

  EXPECT_EQ(::SendMessageW(handle, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF), 0);
  EXPECT_FALSE(::IsWindow(handle));
  EXPECT_EQ(window.GetHandle(), nullptr);
  // The hook runs again in the WM_DESTROY that the teardown sends.
  const std::vector<std::string> expected = {"destroying with window", "destroying without",
                                             "observer"};
  EXPECT_EQ(window.events, expected);
  EXPECT_TRUE(DrainQueueForQuit(&exit_code));
}

TEST(Win32WindowTest, SecondCreationDestroysFirstWindowAfterTheHook) {
  RecordingWindow window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  HWND first = window.GetHandle();

  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));

  EXPECT_FALSE(::IsWindow(first));
  EXPECT_TRUE(::IsWindow(window.GetHandle()));
  // Every creation starts by destroying: with no window the first time;
  // then before the first window goes, and once more inside its WM_DESTROY,
  // all before the new window is created.
  const std::vector<std::string> expected = {
      "destroying without", "created", "destroying with window", "destroying without", "created"};
  EXPECT_EQ(window.events, expected);
}

TEST(Win32WindowTest, FailedHookLeavesTheWindowHidden) {
  RecordingWindow window;
  window.created_result = false;
  EXPECT_FALSE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  ASSERT_NE(window.GetHandle(), nullptr);
  EXPECT_TRUE(::IsWindow(window.GetHandle()));
  EXPECT_FALSE(::IsWindowVisible(window.GetHandle()));
}

TEST(Win32WindowTest, ShowNormalReportsEarlierVisibility) {
  Win32Window window;
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  EXPECT_FALSE(window.ShowNormal());
  EXPECT_TRUE(::IsWindowVisible(window.GetHandle()));
  EXPECT_TRUE(window.ShowNormal());
}

TEST(Win32WindowTest, ClassStaysRegisteredWhileAnyWindowObjectLives) {
  auto first = std::make_unique<Win32Window>();
  auto second = std::make_unique<Win32Window>();
  ASSERT_TRUE(first->CreateNativeWindow(u"kestro", kOrigin, kSize));
  EXPECT_TRUE(ClassRegistered());

  first->DestroyNativeWindow();
  EXPECT_TRUE(ClassRegistered());
  first.reset();
  EXPECT_TRUE(ClassRegistered());

  second.reset();
  EXPECT_FALSE(ClassRegistered());

  // A later window registers the class again.
  Win32Window third;
  EXPECT_TRUE(third.CreateNativeWindow(u"kestro", kOrigin, kSize));
  EXPECT_TRUE(ClassRegistered());
}

}  // namespace
