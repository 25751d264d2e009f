#include "standins/engine/engine_win.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "standins/engine/process_clock_win.h"
#include "text/utf16.h"
#include "text/wide_chars.h"

namespace kestro::standin {
namespace {

// A display refreshes about sixty times a second, and an engine renders at
// most one frame each time, however often the app asks for one. Painting on
// every change instead would put a whole paint into the UI thread's time of
// every channel call the app makes in a row.
constexpr double kFrameIntervalMs = 1000.0 / 60.0;

std::set<const FlutterDesktopPluginRegistrar*>& LiveRegistrars() {
  static std::set<const FlutterDesktopPluginRegistrar*> registrars;
  return registrars;
}

std::vector<std::string> CopyArguments(const FlutterDesktopEngineProperties& properties) {
  std::vector<std::string> arguments;
  for (int32_t i = 0; i < properties.dart_entrypoint_argc; ++i) {
    const char* argument = properties.dart_entrypoint_argv[i];
    arguments.emplace_back(argument ? argument : "");
  }
  return arguments;
}

// Reads the script file, or says why it cannot.
std::pair<std::string, std::string> ReadScript(const std::string& path) {
  if (path.empty()) return {};
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  if (!file) return {"", "cannot read the script " + path};
  std::ostringstream text;
  text << file.rdbuf();
  return {text.str(), ""};
}

// Relative paths count from the folder that holds the executable.
bool BundleFileExists(const std::u16string& path) {
  std::filesystem::path file(text::AsWideChars(path));
  if (file.is_relative()) {
    wchar_t executable[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, executable, MAX_PATH);
    file = std::filesystem::path(executable, executable + length).parent_path() / file;
  }
  return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::u16string WindowTitle(HWND window) {
  std::u16string title(256, u'\0');
  const int length =
      ::GetWindowTextW(window, text::AsWritableWideChars(&title), static_cast<int>(title.size()));
  title.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return title;
}

bool IsShowMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SHOWWINDOW) return wparam != FALSE;
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lparam);
    return (position->flags & SWP_SHOWWINDOW) != 0;
  }
  return false;
}

}  // namespace

std::vector<PluginRecord>& PluginRecords() {
  static std::vector<PluginRecord> records;
  return records;
}

bool IsLiveRegistrar(const FlutterDesktopPluginRegistrar* registrar) {
  return LiveRegistrars().count(registrar) != 0;
}

}  // namespace kestro::standin

using kestro::standin::AppPlayer;
using kestro::standin::kFrameIntervalMs;
using kestro::standin::StartFacts;
using kestro::standin::TaskQueue;
using kestro::standin::ViewWindow;

FlutterDesktopEngine::FlutterDesktopEngine(const FlutterDesktopEngineProperties& properties)
    : assets_path_(kestro::text::CopyWideChars(properties.assets_path)),
      icu_data_path_(kestro::text::CopyWideChars(properties.icu_data_path)),
      aot_library_path_(kestro::text::CopyWideChars(properties.aot_library_path)),
      arguments_(kestro::standin::CopyArguments(properties)),
      options_(kestro::standin::ParseAppOptions(arguments_)),
      tasks_(std::make_unique<TaskQueue>()),
      messenger_(FlutterDesktopMessenger::Create()) {
  messenger_->Attach(
      [this](uint64_t id, std::vector<uint8_t> reply) {
        tasks_->Post([this, id, reply = std::move(reply)] {
          if (app_) app_->OnReply(id, reply);
        });
      },
      [this](const std::string& channel, std::vector<uint8_t> message,
             FlutterDesktopBinaryReply reply, void* reply_data) {
        return TakeOutgoing(channel, std::move(message), reply, reply_data);
      });
}

FlutterDesktopEngine::~FlutterDesktopEngine() {
  Stop();
  app_.reset();
  messenger_->Detach();
  messenger_->Release();
  for (const auto& entry : registrars_) {
    kestro::standin::LiveRegistrars().erase(entry.second.get());
  }
  tasks_.reset();
}

FlutterDesktopPluginRegistrar* FlutterDesktopEngine::RegistrarFor(const std::string& plugin_name) {
  auto& registrar = registrars_[plugin_name];
  if (!registrar) {
    registrar.reset(new FlutterDesktopPluginRegistrar{this, plugin_name});
    kestro::standin::LiveRegistrars().insert(registrar.get());
  }
  return registrar.get();
}

void FlutterDesktopEngine::SetNextFrameCallback(FlutterDesktopOnNextFrame callback,
                                                void* user_data) {
  next_frame_ = callback;
  next_frame_data_ = user_data;
}

HWND FlutterDesktopEngine::Run(int width, int height) {
  view_width_ = width;
  view_height_ = height;
  auto [script_text, script_error] = kestro::standin::ReadScript(options_.script_path);
  app_ = std::make_unique<AppPlayer>(options_, script_text, script_error, this);
  view_ = std::make_unique<ViewWindow>(width, height, &app_->model(),
                                       [this](int x, int y, int view_width, int view_height) {
                                         app_->OnClick(x, y, view_width, view_height);
                                       });
  return view_->hwnd();
}

void FlutterDesktopEngine::RequestFrame() {
  if (frame_pending_ || !view_) return;
  frame_pending_ = true;
  const double wait_ms = last_frame_ms_ + kFrameIntervalMs - MillisecondsSinceStart();
  if (!first_frame_seen_ || wait_ms <= 0) {
    tasks_->Post([this] { RenderFrame(); });
    return;
  }
  tasks_->PostDelayed(static_cast<int>(std::ceil(wait_ms)), [this] { RenderFrame(); });
}

void FlutterDesktopEngine::RenderFrame() {
  frame_pending_ = false;
  if (!view_) return;
  last_frame_ms_ = MillisecondsSinceStart();
  view_->Render();
  ++frames_;
  const bool first = !first_frame_seen_;
  first_frame_seen_ = true;
  const bool visible_before = ::IsWindowVisible(view_->TopLevel()) != FALSE;
  FlutterDesktopOnNextFrame callback = next_frame_;
  void* user_data = next_frame_data_;
  next_frame_ = nullptr;
  next_frame_data_ = nullptr;
  if (callback != nullptr) callback(user_data);
  if (!first || !app_ || !view_) return;
  // Taken before the facts are gathered, which the host does not wait for.
  const double first_frame_ms = MillisecondsSinceStart();
  app_->Start(CollectStartFacts(visible_before, first_frame_ms));
}

StartFacts FlutterDesktopEngine::CollectStartFacts(bool visible_before_frame,
                                                   double first_frame_ms) const {
  using kestro::text::Utf16ToUtf8;
  StartFacts facts;
  facts.first_frame_ms = first_frame_ms;
  HWND top_level = view_->TopLevel();
  facts.window_title = Utf16ToUtf8(kestro::standin::WindowTitle(top_level));
  facts.window_visible = ::IsWindowVisible(top_level) != FALSE;
  facts.window_visible_before_frame = visible_before_frame;
  facts.window_shown_before_frame = shown_before_frame_;
  facts.view_width = view_width_;
  facts.view_height = view_height_;
  RECT client{};
  ::GetClientRect(top_level, &client);
  facts.client_width = client.right - client.left;
  facts.client_height = client.bottom - client.top;
  RECT window{};
  ::GetWindowRect(top_level, &window);
  facts.window_rect = {window.left, window.top, window.right, window.bottom};
  RECT view{};
  ::GetClientRect(view_->hwnd(), &view);
  facts.view_window_width = view.right - view.left;
  facts.view_window_height = view.bottom - view.top;
  facts.dpi =
      FlutterDesktopGetDpiForMonitor(::MonitorFromWindow(top_level, MONITOR_DEFAULTTONEAREST));
  facts.entrypoint_args = arguments_;
  facts.assets_path = Utf16ToUtf8(assets_path_);
  facts.icu_data_path = Utf16ToUtf8(icu_data_path_);
  facts.aot_library_path = Utf16ToUtf8(aot_library_path_);
  facts.assets_found = kestro::standin::BundleFileExists(assets_path_);
  facts.icu_data_found = kestro::standin::BundleFileExists(icu_data_path_);
  facts.aot_library_found = kestro::standin::BundleFileExists(aot_library_path_);
  facts.plugins = kestro::standin::PluginRecords();
  return facts;
}

bool FlutterDesktopEngine::HandleTopLevelMessage(HWND, UINT message, WPARAM wparam, LPARAM lparam,
                                                 LRESULT*) {
  if (!first_frame_seen_ && kestro::standin::IsShowMessage(message, wparam, lparam)) {
    shown_before_frame_ = true;
  }
  return false;
}

void FlutterDesktopEngine::Stop() {
  if (stopped_) return;
  stopped_ = true;
  if (app_ && app_->started()) app_->OnClosing(messenger_->duplicate_responses());
  view_.reset();
}

bool FlutterDesktopEngine::SendToHost(uint64_t id, const std::string& channel,
                                      const std::vector<uint8_t>& message) {
  if (messenger_->Deliver(channel, message.data(), message.size(), id)) return true;
  tasks_->Post([this, id] {
    if (app_) app_->OnReply(id, {});
  });
  return false;
}

void FlutterDesktopEngine::ArmReplyTimeout(uint64_t id, int delay_ms) {
  tasks_->PostDelayed(delay_ms, [this, id] {
    if (app_) app_->OnReplyTimeout(id);
  });
}

void FlutterDesktopEngine::Redraw() { RequestFrame(); }

void FlutterDesktopEngine::CloseWindow(int delay_ms) {
  tasks_->PostDelayed(delay_ms, [this] {
    if (view_) ::PostMessageW(view_->TopLevel(), WM_CLOSE, 0, 0);
  });
}

double FlutterDesktopEngine::MillisecondsSinceStart() {
  return kestro::standin::MillisecondsSinceProcessStart();
}

bool FlutterDesktopEngine::TakeOutgoing(const std::string& channel, std::vector<uint8_t> message,
                                        FlutterDesktopBinaryReply reply, void* reply_data) {
  tasks_->Post([this, channel, message = std::move(message), reply, reply_data] {
    if (app_) app_->OnHostMessage(channel, message);
    // The app listens on no channel, so every message is answered empty.
    if (reply != nullptr) reply(nullptr, 0, reply_data);
  });
  return true;
}
