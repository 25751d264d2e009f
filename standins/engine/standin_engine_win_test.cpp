// Drives the stand-in engine library through its exported functions the way a
// host does: a top-level window, a view controller whose view becomes the
// window's content, frames, channel messages and shutdown.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "embedding/flutter_desktop_api.h"
#include "standins/app/wire.h"
#include "standins/engine/standin_extras.h"

namespace {

using kestro::standin::Json;

constexpr wchar_t kHostClass[] = L"KestroStandInTestHost";

// The window procedure offers each message to the controller, as a host does,
// and ends the controller on WM_DESTROY before posting the quit message.
FlutterDesktopViewControllerRef g_controller = nullptr;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (g_controller != nullptr) {
    LRESULT result = 0;
    if (FlutterDesktopViewControllerHandleTopLevelWindowProc(g_controller, window, message, wparam,
                                                             lparam, &result)) {
      return result;
    }
  }
  if (message == WM_DESTROY) {
    if (g_controller != nullptr) FlutterDesktopViewControllerDestroy(g_controller);
    g_controller = nullptr;
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

std::string TempFile(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("kestro-standin-" + name)).string();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<Json> ReadTranscript(const std::string& path) {
  std::vector<Json> lines;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) lines.push_back(Json::parse(line));
  return lines;
}

// Pumps messages until `done` holds, the quit message arrives or time runs out.
// Returns whether `done` held.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return done();
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(5);
  }
  return true;
}

class StandInEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = &HostWindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kHostClass;
    ::RegisterClassW(&window_class);
    window_ = ::CreateWindowExW(0, kHostClass, L"kestro", WS_OVERLAPPEDWINDOW, 10, 10, 640, 480,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }

  void TearDown() override {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
    PumpUntil([] { return false; }, 50);  // drains the quit message
    if (g_controller != nullptr) FlutterDesktopViewControllerDestroy(g_controller);
    g_controller = nullptr;
    if (engine_ != nullptr && !engine_handed_over_) FlutterDesktopEngineDestroy(engine_);
  }

  // Creates an engine whose app gets `arguments`.
  FlutterDesktopEngineRef CreateEngine(std::vector<std::string> arguments) {
    arguments_ = std::move(arguments);
    argv_.clear();
    for (const std::string& argument : arguments_) argv_.push_back(argument.c_str());
    FlutterDesktopEngineProperties properties{};
    properties.assets_path = L"data\\flutter_assets";
    properties.icu_data_path = L"data\\icudtl.dat";
    properties.aot_library_path = L"data\\app.so";
    properties.dart_entrypoint = "";
    properties.dart_entrypoint_argc = static_cast<int32_t>(argv_.size());
    properties.dart_entrypoint_argv = argv_.empty() ? nullptr : argv_.data();
    engine_ = FlutterDesktopEngineCreate(&properties);
    return engine_;
  }

  // Starts the view, makes it the window's content and shows the window at
  // the next frame, as a host does.
  HWND StartView(int width, int height) {
    g_controller = FlutterDesktopViewControllerCreate(width, height, engine_);
    engine_handed_over_ = true;
    if (g_controller == nullptr) return nullptr;
    HWND view = FlutterDesktopViewGetHWND(FlutterDesktopViewControllerGetView(g_controller));
    ::SetParent(view, window_);
    FlutterDesktopEngineSetNextFrameCallback(
        engine_, [](void* window) { ::ShowWindow(static_cast<HWND>(window), SW_SHOWNORMAL); },
        window_);
    FlutterDesktopViewControllerForceRedraw(g_controller);
    return view;
  }

  HWND window_ = nullptr;
  FlutterDesktopEngineRef engine_ = nullptr;
  bool engine_handed_over_ = false;
  std::vector<std::string> arguments_;
  std::vector<const char*> argv_;
};

int g_frames_seen = 0;

TEST_F(StandInEngineTest, TheNextFrameCallbackRunsOnceAfterARedraw) {
  ASSERT_NE(CreateEngine({}), nullptr);
  g_controller = FlutterDesktopViewControllerCreate(300, 200, engine_);
  engine_handed_over_ = true;
  ASSERT_NE(g_controller, nullptr);
  HWND view = FlutterDesktopViewGetHWND(FlutterDesktopViewControllerGetView(g_controller));
  ASSERT_TRUE(::IsWindow(view));
  RECT client{};
  ::GetClientRect(view, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);

  g_frames_seen = 0;
  FlutterDesktopEngineSetNextFrameCallback(
      engine_, [](void*) { ++g_frames_seen; }, nullptr);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(g_frames_seen, 0) << "no frame was asked for";
  FlutterDesktopViewControllerForceRedraw(g_controller);
  EXPECT_TRUE(PumpUntil([] { return g_frames_seen == 1; }));
  FlutterDesktopViewControllerForceRedraw(g_controller);
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(g_frames_seen, 1) << "the callback is used up by the first frame";
  // The app itself asks for frames once it runs, so there may be more.
  EXPECT_GE(KestroStandInFrames(engine_), 2);
}

TEST_F(StandInEngineTest, FailViewMakesTheControllerFail) {
  ASSERT_NE(CreateEngine({"--fail-view"}), nullptr);
  EXPECT_EQ(FlutterDesktopViewControllerCreate(300, 200, engine_), nullptr);
  engine_handed_over_ = true;  // ended with the failed controller
}

TEST_F(StandInEngineTest, TheTopLevelHookAnswersOnlyWhatATestAsks) {
  ASSERT_NE(CreateEngine({}), nullptr);
  ASSERT_NE(StartView(300, 200), nullptr);
  LRESULT result = 7;
  EXPECT_FALSE(FlutterDesktopViewControllerHandleTopLevelWindowProc(g_controller, window_,
                                                                    WM_FONTCHANGE, 0, 0, &result));
  KestroStandInAnswerTopLevelMessage(WM_FONTCHANGE, 0);
  EXPECT_TRUE(FlutterDesktopViewControllerHandleTopLevelWindowProc(g_controller, window_,
                                                                   WM_FONTCHANGE, 0, 0, &result));
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(FlutterDesktopViewControllerHandleTopLevelWindowProc(g_controller, window_, WM_SIZE,
                                                                    0, 0, &result));
  KestroStandInAnswerTopLevelMessage(0, 0);
  EXPECT_FALSE(FlutterDesktopViewControllerHandleTopLevelWindowProc(g_controller, window_,
                                                                    WM_FONTCHANGE, 0, 0, &result));
  FlutterDesktopEngineReloadSystemFonts(engine_);
  EXPECT_EQ(KestroStandInFontReloads(engine_), 1);
}

TEST(StandInDpi, TheEnvironmentOverridesTheMonitor) {
  HMONITOR monitor = ::MonitorFromPoint(POINT{10, 10}, MONITOR_DEFAULTTONEAREST);
  ::SetEnvironmentVariableW(L"KESTRO_STANDIN_DPI", nullptr);
  const UINT system_dpi = FlutterDesktopGetDpiForMonitor(monitor);
  EXPECT_GE(system_dpi, 72u);
  const struct {
    const wchar_t* value;
    UINT expected;
  } cases[] = {
      {L"120", 120}, {L"144", 144}, {L"0", system_dpi}, {L"abc", system_dpi}, {L"-96", system_dpi}};
  for (const auto& c : cases) {
    ::SetEnvironmentVariableW(L"KESTRO_STANDIN_DPI", c.value);
    EXPECT_EQ(FlutterDesktopGetDpiForMonitor(monitor), c.expected);
  }
  ::SetEnvironmentVariableW(L"KESTRO_STANDIN_DPI", nullptr);
}

// The host side of a channel for the scripted tests: answers every message
// with `reply`, `answers` times through the same handle.
struct EchoHost {
  std::vector<uint8_t> reply;
  int answers = 1;
  std::vector<std::vector<uint8_t>> received;
};

void AnswerMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                   void* user_data) {
  auto* host = static_cast<EchoHost*>(user_data);
  host->received.emplace_back(message->message, message->message + message->message_size);
  FlutterDesktopMessengerRef held = FlutterDesktopMessengerAddRef(messenger);
  for (int i = 0; i < host->answers; ++i) {
    FlutterDesktopMessengerLockRef lock = FlutterDesktopMessengerLock(held);
    if (FlutterDesktopMessengerIsAvailable(held)) {
      FlutterDesktopMessengerSendResponse(held, message->response_handle, host->reply.data(),
                                          host->reply.size());
    }
    FlutterDesktopMessengerUnlock(lock);
  }
  FlutterDesktopMessengerRelease(held);
}

TEST_F(StandInEngineTest, AScriptRunsToTheEndAndClosesTheWindow) {
  const std::string script = TempFile("script.jsonl");
  const std::string transcript = TempFile("transcript.jsonl");
  WriteFile(script,
            "{\"method\": \"listPrinters\"}\n"
            "\n"
            "{\"raw\": \"01 02\", \"channel\": \"test/echo\"}\n"
            "{\"method\": \"anything\", \"channel\": \"nobody/listens\"}\n");
  ASSERT_NE(CreateEngine({"--script", script, "--transcript", transcript, "extra"}), nullptr);
  EchoHost host{{0x00, 0x01}, 1, {}};  // a success reply carrying true
  FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(engine_);
  FlutterDesktopMessengerRef held = FlutterDesktopMessengerAddRef(messenger);
  FlutterDesktopMessengerSetCallback(messenger, "kestro/cash_drawer", &AnswerMessage, &host);
  FlutterDesktopMessengerSetCallback(messenger, "test/echo", &AnswerMessage, &host);
  FlutterDesktopPluginRegistrarRef registrar =
      FlutterDesktopEngineGetPluginRegistrar(engine_, "PrintingPlugin");
  EXPECT_EQ(registrar, FlutterDesktopEngineGetPluginRegistrar(engine_, "PrintingPlugin"));
  KestroStandInRecordPlugin("PrintingPlugin", registrar);
  KestroStandInRecordPlugin("UrlLauncherWindows", nullptr);

  ASSERT_NE(StartView(400, 300), nullptr);
  EXPECT_FALSE(::IsWindowVisible(window_)) << "shown only at the first frame";
  EXPECT_TRUE(PumpUntil([this] { return !::IsWindow(window_); }));
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(held)) << "the engine has gone";
  FlutterDesktopMessengerRelease(held);

  const std::vector<Json> lines = ReadTranscript(transcript);
  ASSERT_EQ(lines.size(), 5u);
  const Json& started = lines[0];
  EXPECT_EQ(started["event"], "started");
  EXPECT_EQ(started["windowTitle"], "kestro");
  EXPECT_EQ(started["windowVisible"], true);
  EXPECT_EQ(started["windowVisibleBeforeFrame"], false);
  EXPECT_EQ(started["viewSize"], Json::array({400, 300}));
  EXPECT_EQ(started["entrypointArgs"],
            Json::array({"--script", script, "--transcript", transcript, "extra"}));
  EXPECT_EQ(started["assetsPath"], "data\\flutter_assets");
  EXPECT_EQ(started["aotLibraryPath"], "data\\app.so");
  const Json plugins = started["plugins"];
  ASSERT_GE(plugins.size(), 2u);
  const Json& printing = plugins[plugins.size() - 2];
  EXPECT_EQ(printing["name"], "PrintingPlugin");
  EXPECT_EQ(printing["registrar"], true);
  EXPECT_EQ(printing["registrarFor"], "PrintingPlugin");
  EXPECT_EQ(plugins.back()["registrar"], false);

  // The call as the codec writes it: the method name, then null.
  ASSERT_GE(host.received.size(), 2u);
  EXPECT_EQ(kestro::standin::ToHex(host.received[0]), "070c6c6973745072696e7465727300");
  EXPECT_EQ(host.received[1], std::vector<uint8_t>({0x01, 0x02}));
  EXPECT_EQ(lines[1]["request"], (Json{{"method", "listPrinters"}}));
  EXPECT_EQ(lines[1]["replyHex"], "0001");
  EXPECT_EQ(lines[1]["reply"], (Json{{"success", true}}));
  EXPECT_EQ(lines[2]["request"]["raw"], "01 02");
  EXPECT_EQ(lines[3]["noHandler"], true);
  EXPECT_EQ(lines[3]["reply"], (Json{{"notImplemented", true}}));
  EXPECT_EQ(lines[4]["event"], "closing");
  EXPECT_EQ(lines[4]["answered"], 3);
  EXPECT_EQ(lines[4]["duplicateResponses"], 0);
}

TEST_F(StandInEngineTest, ASecondAnswerThroughOneHandleIsRefused) {
  const std::string script = TempFile("twice.jsonl");
  const std::string transcript = TempFile("twice-transcript.jsonl");
  WriteFile(script, "{\"method\": \"openDrawer\", \"arguments\": {}}\n");
  ASSERT_NE(CreateEngine({"--script", script, "--transcript", transcript}), nullptr);
  EchoHost host{{0x00, 0x00}, 2, {}};
  FlutterDesktopMessengerSetCallback(FlutterDesktopEngineGetMessenger(engine_),
                                     "kestro/cash_drawer", &AnswerMessage, &host);
  ASSERT_NE(StartView(200, 100), nullptr);
  EXPECT_TRUE(PumpUntil([this] { return !::IsWindow(window_); }));
  const std::vector<Json> lines = ReadTranscript(transcript);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1]["reply"], (Json{{"success", nullptr}}));
  EXPECT_EQ(lines[2]["duplicateResponses"], 1);
}

TEST_F(StandInEngineTest, AnUnreadableScriptIsReportedAndTheWindowCloses) {
  const std::string script = TempFile("broken.jsonl");
  const std::string transcript = TempFile("broken-transcript.jsonl");
  WriteFile(script, "{\"method\": \"listPrinters\"}\n{\"raw\": \"zz\"}\n");
  ASSERT_NE(CreateEngine({"--script", script, "--transcript", transcript}), nullptr);
  ASSERT_NE(StartView(200, 100), nullptr);
  EXPECT_TRUE(PumpUntil([this] { return !::IsWindow(window_); }));
  const std::vector<Json> lines = ReadTranscript(transcript);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1]["event"], "scriptError");
  EXPECT_EQ(lines[1]["message"], "line 2: \"raw\" must be a string of hex bytes");
  EXPECT_EQ(lines[2]["event"], "closing");
  EXPECT_EQ(lines[2]["answered"], 0);
}

TEST_F(StandInEngineTest, AnUnansweredRequestTimesOutAndTheScriptGoesOn) {
  const std::string script = TempFile("silent.jsonl");
  const std::string transcript = TempFile("silent-transcript.jsonl");
  WriteFile(script, "{\"method\": \"first\"}\n{\"method\": \"second\"}\n");
  ASSERT_NE(
      CreateEngine({"--script", script, "--transcript", transcript, "--reply-timeout-ms", "100"}),
      nullptr);
  EchoHost host{{}, 0, {}};  // never answers
  FlutterDesktopMessengerSetCallback(FlutterDesktopEngineGetMessenger(engine_),
                                     "kestro/cash_drawer", &AnswerMessage, &host);
  ASSERT_NE(StartView(200, 100), nullptr);
  EXPECT_TRUE(PumpUntil([this] { return !::IsWindow(window_); }));
  const std::vector<Json> lines = ReadTranscript(transcript);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1]["timedOut"], true);
  EXPECT_EQ(lines[2]["timedOut"], true);
  EXPECT_EQ(lines[3]["timedOut"], 2);
}

int g_host_replies = 0;
size_t g_host_reply_size = 99;

TEST_F(StandInEngineTest, MessagesFromTheHostAreNotedAndAnsweredEmpty) {
  const std::string transcript = TempFile("host-transcript.jsonl");
  const std::string script = TempFile("host.jsonl");
  WriteFile(script, "");
  ASSERT_NE(CreateEngine({"--script", script, "--transcript", transcript, "--hold-ms", "300"}),
            nullptr);
  ASSERT_NE(StartView(200, 100), nullptr);
  ASSERT_TRUE(PumpUntil([this] { return ::IsWindowVisible(window_) != FALSE; }));
  g_host_replies = 0;
  const uint8_t message[] = {0xAB};
  FlutterDesktopMessengerRef messenger = FlutterDesktopEngineGetMessenger(engine_);
  ASSERT_TRUE(FlutterDesktopMessengerSendWithReply(
      messenger, "app/events", message, sizeof message,
      [](const uint8_t*, size_t size, void*) {
        ++g_host_replies;
        g_host_reply_size = size;
      },
      nullptr));
  EXPECT_TRUE(PumpUntil([this] { return !::IsWindow(window_); }));
  EXPECT_EQ(g_host_replies, 1);
  EXPECT_EQ(g_host_reply_size, 0u);
  const std::vector<Json> lines = ReadTranscript(transcript);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1],
            (Json{{"event", "hostMessage"}, {"channel", "app/events"}, {"messageHex", "ab"}}));
}

}  // namespace
