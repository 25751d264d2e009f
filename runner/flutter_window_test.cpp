// Runs FlutterWindow against the engine library beside the test (the
// stand-in engine, which plays the Dart app from its entry-point arguments).

#include "runner/flutter_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "embedding/dart_bundle.h"
#include "runner/command_line.h"
#include "standins/engine/standin_extras.h"

// Reads what FlutterWindow keeps.
class FlutterWindowTestPeer {
 public:
  static bool HasViewController(const FlutterWindow& window) {
    return window.view_controller != nullptr;
  }
};

namespace {

constexpr WindowOrigin kOrigin{10, 10};
constexpr WindowSize kSize{1280, 720};
constexpr DWORD kTimeoutMs = 15000;

flutter::DartBundle BundleWithArguments(std::vector<std::string> arguments) {
  flutter::DartBundle bundle(u"data");
  bundle.SetEntryPointArguments(std::move(arguments));
  return bundle;
}

// Dispatches this thread's messages until `done` holds or the time is up.
// Notes a quit message instead of dispatching it.
class MessagePump {
 public:
  bool RunUntil(const std::function<bool()>& done, DWORD timeout_ms = kTimeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
      if (::GetTickCount() - start > timeout_ms) return false;
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          quit_posted = true;
          continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
  }

  void RunFor(DWORD milliseconds) {
    RunUntil([] { return false; }, milliseconds);
  }

  bool quit_posted = false;
};

// A file in the temporary folder, removed again at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::wstring& name) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + name + L"-" + std::to_wstring(::GetCurrentProcessId());
    ::DeleteFileW(path_.c_str());
  }
  ~TempFile() { ::DeleteFileW(path_.c_str()); }

  std::string utf8_path() const { return ArgumentToUtf8(path_.c_str()); }

  void Write(const std::string& text) const {
    std::ofstream(std::filesystem::path(path_), std::ios::binary) << text;
  }

  std::vector<std::string> Lines() const {
    std::ifstream in(std::filesystem::path(path_), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  std::wstring path_;
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Makes the stand-in engine answer one top-level message itself, for as long
// as this object lives. Skips the test with another engine library.
class ScopedEngineAnswer {
 public:
  ScopedEngineAnswer() {
    HMODULE engine = ::GetModuleHandleW(L"flutter_windows.dll");
    if (engine != nullptr) {
      answer_ = reinterpret_cast<decltype(&KestroStandInAnswerTopLevelMessage)>(
          reinterpret_cast<void*>(::GetProcAddress(engine, "KestroStandInAnswerTopLevelMessage")));
    }
  }
  ~ScopedEngineAnswer() { Set(0, 0); }

  bool available() const { return answer_ != nullptr; }
  void Set(UINT message, LRESULT result) {
    if (answer_) answer_(message, result);
  }

 private:
  decltype(&KestroStandInAnswerTopLevelMessage) answer_ = nullptr;
};

HWND ContentOf(const FlutterWindow& window) { return ::GetWindow(window.GetHandle(), GW_CHILD); }

RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The view fills the client area of the window, and the window stays hidden
// until the engine has rendered its first frame.
TEST(FlutterWindowTest, ViewFillsClientAreaAndWindowShowsAtFirstFrame) {
  TempFile transcript(L"flutter-window-started");
  FlutterWindow window(BundleWithArguments({"--transcript", transcript.utf8_path()}));
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  EXPECT_FALSE(::IsWindowVisible(window.GetHandle()));

  HWND view = ContentOf(window);
  ASSERT_NE(view, nullptr);
  RECT client = window.ClientArea();
  RECT placed = ChildRect(window.GetHandle(), view);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 0);
  EXPECT_EQ(placed.right, client.right);
  EXPECT_EQ(placed.bottom, client.bottom);

  MessagePump pump;
  ASSERT_TRUE(pump.RunUntil([&] { return ::IsWindowVisible(window.GetHandle()) != FALSE; }));

  // The engine was given the client size, which is smaller than the outer
  // size, not the outer size.
  EXPECT_LT(client.right, 1280);
  EXPECT_LT(client.bottom, 720);
  std::vector<std::string> lines = transcript.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(Contains(lines[0], "\"viewSize\":[" + std::to_string(client.right) + "," +
                                     std::to_string(client.bottom) + "]"))
      << lines[0];
  EXPECT_TRUE(Contains(lines[0], "\"windowVisibleBeforeFrame\":false")) << lines[0];
}

// The engine library ends the engine of a controller that fails, so the
// window keeps no controller through which a later message (a font change)
// could reach that engine.
TEST(FlutterWindowTest, FailedViewControllerLeavesWindowEmptyAndHidden) {
  FlutterWindow window(BundleWithArguments({"--fail-view"}));
  EXPECT_FALSE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  ASSERT_NE(window.GetHandle(), nullptr);
  EXPECT_EQ(ContentOf(window), nullptr);
  EXPECT_FALSE(FlutterWindowTestPeer::HasViewController(window));
  EXPECT_EQ(::SendMessageW(window.GetHandle(), WM_FONTCHANGE, 0, 0), 0);

  MessagePump pump;
  pump.RunFor(300);
  EXPECT_FALSE(::IsWindowVisible(window.GetHandle()));
}

// Messages go to the engine first; what it answers, 0 included, never
// reaches the window's own handling.
TEST(FlutterWindowTest, EngineAnswersTakePrecedence) {
  ScopedEngineAnswer engine_answer;
  if (!engine_answer.available()) GTEST_SKIP() << "engine library without test hooks";
  FlutterWindow window(BundleWithArguments({}));
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  HWND handle = window.GetHandle();

  engine_answer.Set(WM_GETTEXTLENGTH, 77);
  EXPECT_EQ(::SendMessageW(handle, WM_GETTEXTLENGTH, 0, 0), 77);

  engine_answer.Set(WM_CLOSE, 0);
  EXPECT_EQ(::SendMessageW(handle, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(::IsWindow(handle));

  engine_answer.Set(WM_SIZE, 0);
  ::SetWindowPos(handle, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GT(ChildRect(handle, ContentOf(window)).right, window.ClientArea().right);

  // Unanswered messages reach the base handling again.
  engine_answer.Set(0, 0);
  EXPECT_EQ(::SendMessageW(handle, WM_GETTEXTLENGTH, 0, 0), 6);
  ::SetWindowPos(handle, nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(ChildRect(handle, ContentOf(window)).right, window.ClientArea().right);
  ::SendMessageW(handle, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(handle));
}

int CountLinesWith(const TempFile& file, const std::string& part) {
  int count = 0;
  for (const std::string& line : file.Lines()) count += Contains(line, part) ? 1 : 0;
  return count;
}

// How the message loop comes to its end.
enum class Ending {
  // The user closes the window.
  kClosed,
  // Someone else posts the quit message.
  kQuitPosted,
  // The session ends (logoff, shutdown, restart), even though the engine
  // answers both messages itself and would refuse the end.
  kSessionEnded,
};

// Closing the window ends the view controller (the app says goodbye) and
// then posts the quit message. The end of the session does so too, before
// WM_ENDSESSION returns, since Windows may end the process then. A quit
// message posted by someone else leaves the window and the engine up; the
// DestroyNativeWindow that the entry point runs after the loop, before it
// uninitialises COM, then ends the engine, and otherwise does nothing.
TEST(FlutterWindowTest, EngineHasEndedOnceTheWindowIsDestroyedAfterTheLoop) {
  const std::string closing = "\"event\":\"closing\"";
  for (Ending ending : {Ending::kClosed, Ending::kQuitPosted, Ending::kSessionEnded}) {
    SCOPED_TRACE(static_cast<int>(ending));
    const bool window_goes = ending != Ending::kQuitPosted;
    TempFile transcript(L"flutter-window-ending");
    FlutterWindow window(BundleWithArguments({"--transcript", transcript.utf8_path()}));
    ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
    window.SetQuitWhenClosed(true);
    MessagePump pump;
    ASSERT_TRUE(pump.RunUntil([&] { return ::IsWindowVisible(window.GetHandle()) != FALSE; }));
    HWND view = ContentOf(window);

    if (ending == Ending::kClosed) {
      ::SendMessageW(window.GetHandle(), WM_CLOSE, 0, 0);
    } else if (ending == Ending::kQuitPosted) {
      ::PostQuitMessage(0);
    } else {
      ScopedEngineAnswer engine_answer;
      engine_answer.Set(WM_QUERYENDSESSION, FALSE);
      EXPECT_EQ(::SendMessageW(window.GetHandle(), WM_QUERYENDSESSION, 0, 0), TRUE);
      EXPECT_EQ(CountLinesWith(transcript, closing), 0);
      engine_answer.Set(WM_ENDSESSION, 0);
      ::SendMessageW(window.GetHandle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
      EXPECT_EQ(CountLinesWith(transcript, closing), 1);
    }
    ASSERT_TRUE(pump.RunUntil([&] { return pump.quit_posted; }));
    EXPECT_EQ(window.GetHandle() == nullptr, window_goes);
    EXPECT_EQ(::IsWindow(view) == FALSE, window_goes);
    EXPECT_EQ(CountLinesWith(transcript, closing), window_goes ? 1 : 0);

    window.DestroyNativeWindow();
    EXPECT_EQ(window.GetHandle(), nullptr);
    EXPECT_FALSE(::IsWindow(view));
    EXPECT_EQ(CountLinesWith(transcript, closing), 1);
    if (!window_goes) {
      // Destroying the window posted a quit message of its own; take it, so
      // that what follows starts with an empty queue.
      MessagePump rest;
      rest.RunUntil([&] { return rest.quit_posted; });
    }
  }
}

// A window whose own handling throws on one message.
class ThrowingWindow : public Win32Window {
 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_APP) throw std::runtime_error("window message");
    return Win32Window::HandleMessage(window, message, wparam, lparam);
  }
};

// An exception from the handling of a window message stops at the window
// procedure: the process ends instead of unwinding through the system.
TEST(FlutterWindowDeathTest, ExceptionFromTheWindowProcedureEndsTheProcess) {
  EXPECT_DEATH(
      {
        ThrowingWindow window;
        window.CreateNativeWindow(u"kestro", kOrigin, kSize);
        ::SendMessageW(window.GetHandle(), WM_APP, 0, 0);
      },
      "terminate called after throwing");
}

// The cash drawer channel is installed with the window: the app's calls on
// "kestro/cash_drawer" are answered by the cash drawer service.
TEST(FlutterWindowTest, CashDrawerChannelAnswersTheApp) {
  TempFile script(L"flutter-window-script");
  TempFile transcript(L"flutter-window-replies");
  script.Write(
      "{\"method\": \"listPrinters\"}\n"
      "{\"method\": \"openDrawer\"}\n"
      "{\"method\": \"closeDrawer\", \"arguments\": {}}\n");
  FlutterWindow window(BundleWithArguments(
      {"--script", script.utf8_path(), "--transcript", transcript.utf8_path()}));
  ASSERT_TRUE(window.CreateNativeWindow(u"kestro", kOrigin, kSize));
  window.SetQuitWhenClosed(true);

  MessagePump pump;
  ASSERT_TRUE(pump.RunUntil([&] { return pump.quit_posted; }));

  std::vector<std::string> replies;
  for (const std::string& line : transcript.Lines()) {
    if (Contains(line, "\"request\"")) replies.push_back(line);
  }
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_TRUE(Contains(replies[0], "\"reply\":{\"success\":[")) << replies[0];
  EXPECT_TRUE(Contains(replies[1], "\"invalid_arguments\"")) << replies[1];
  EXPECT_TRUE(Contains(replies[2], "\"reply\":{\"notImplemented\":true}")) << replies[2];
}

}  // namespace
