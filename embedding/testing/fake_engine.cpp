#include "embedding/testing/fake_engine.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "text/wide_chars.h"

// The engine library's opaque types, as this fake lays them out.
struct FlutterDesktopMessenger {
  int number = 0;
  std::mutex lock;
  std::atomic<std::thread::id> lock_owner{std::thread::id()};
  // Starts with the engine's own reference.
  std::atomic<int> references{1};
  std::atomic<bool> available{true};
  // Changed on the test's thread only.
  std::map<std::string, std::pair<FlutterDesktopMessageCallback, void*>> callbacks;
};

struct FlutterDesktopPluginRegistrar {
  std::string plugin_name;
};

struct FlutterDesktopEngine {
  int number = 0;
  bool live = true;
  bool owned_by_controller = false;
  FlutterDesktopMessenger* messenger = nullptr;
  FlutterDesktopOnNextFrame next_frame = nullptr;
  void* next_frame_user_data = nullptr;
  std::map<std::string, std::unique_ptr<FlutterDesktopPluginRegistrar>> registrars;
};

struct FlutterDesktopView {
  int number = 0;
  bool live = true;
};

struct FlutterDesktopViewController {
  int number = 0;
  bool live = true;
  FlutterDesktopEngine* engine = nullptr;
  FlutterDesktopView view;
};

struct FlutterDesktopMessageResponse {
  int number = 0;
};

namespace kestro_testing {
namespace {

std::atomic<FakeEngine*> g_current_fake{nullptr};

[[noreturn]] void Abort(const char* why) {
  std::fprintf(stderr, "FakeEngine: %s\n", why);
  std::abort();
}

// Stands for a pointer whose value means nothing to a reader of the log.
struct Opaque {
  const void* pointer;
};

// The written value of a window-message result the engine did not handle,
// so that a caller that uses it anyway is caught.
constexpr LRESULT kUnhandledResultScribble = 0x5c5c;

std::string Numbered(const char* kind, const void* handle, int number) {
  return handle == nullptr ? "null" : std::string(kind) + "#" + std::to_string(number);
}

std::string Hex(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%" PRIxPTR, reinterpret_cast<uintptr_t>(pointer));
  return pointer == nullptr ? "null" : text;
}

std::string Describe(const FlutterDesktopEngine* e) {
  return Numbered("engine", e, e ? e->number : 0);
}
std::string Describe(const FlutterDesktopMessenger* m) {
  return Numbered("messenger", m, m ? m->number : 0);
}
std::string Describe(const FlutterDesktopViewController* c) {
  return Numbered("controller", c, c ? c->number : 0);
}
std::string Describe(const FlutterDesktopView* v) { return Numbered("view", v, v ? v->number : 0); }
std::string Describe(const FlutterDesktopMessageResponse* r) {
  return Numbered("message", r, r ? r->number : 0);
}
std::string Describe(const char* text) {
  return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}
// Already formatted.
std::string Describe(const std::string& text) { return text; }
std::string Describe(Opaque opaque) { return opaque.pointer == nullptr ? "null" : "data"; }
std::string Describe(HWND hwnd) { return Hex(hwnd); }
std::string Describe(HMONITOR monitor) { return Hex(monitor); }
std::string Describe(FlutterDesktopMessageCallback f) { return f ? "callback" : "null"; }
std::string Describe(FlutterDesktopOnNextFrame f) { return f ? "callback" : "null"; }
std::string Describe(FlutterDesktopBinaryReply f) { return f ? "callback" : "null"; }
template <typename T, typename = std::enable_if_t<std::is_arithmetic_v<T>>>
std::string Describe(T number) {
  return std::to_string(number);
}

std::string ByteCount(size_t size) { return std::to_string(size) + " bytes"; }

bool HeldByThisThread(const FlutterDesktopMessenger* messenger) {
  return messenger->lock_owner.load() == std::this_thread::get_id();
}

}  // namespace

// A message sent by the host, with the reply it asked for.
struct PendingSend {
  SentMessage sent;
  FlutterDesktopBinaryReply reply = nullptr;
  void* user_data = nullptr;
  bool answered = false;
};

struct FakeEngine::State {
  // Test thread only.
  std::vector<std::unique_ptr<FlutterDesktopEngine>> engines;
  std::vector<std::unique_ptr<FlutterDesktopMessenger>> messengers;
  std::vector<std::unique_ptr<FlutterDesktopViewController>> controllers;
  // Guarded by FakeEngine::mutex_.
  std::vector<std::string> calls;
  std::vector<std::string> violations;
  int next_message_number = 1;
  std::unordered_map<int, std::unique_ptr<FlutterDesktopMessageResponse>> response_handles;
  std::unordered_map<int, std::vector<std::vector<uint8_t>>> responses;
  std::vector<PendingSend> sent;
};

FakeEngine::FakeEngine() : state_(std::make_unique<State>()) {
  FakeEngine* none = nullptr;
  if (!g_current_fake.compare_exchange_strong(none, this)) Abort("only one fake at a time");
}

FakeEngine::~FakeEngine() {
  // A lock the host left held (reported by Problems) is let go, so the
  // mutex is not destroyed locked.
  for (const auto& messenger : state_->messengers) {
    if (HeldByThisThread(messenger.get())) messenger->lock.unlock();
  }
  g_current_fake = nullptr;
}

// static
FakeEngine& FakeEngine::Current() {
  FakeEngine* fake = g_current_fake.load();
  if (fake == nullptr) Abort("an engine function was called with no fake installed");
  return *fake;
}

template <typename... Args>
void FakeEngine::Record(const char* function, const Args&... args) {
  if (!recording_) return;
  std::string line = function;
  line += '(';
  const char* separator = "";
  ((line += separator, line += Describe(args), separator = ", "), ...);
  (void)separator;  // unused for functions without arguments
  line += ')';
  std::lock_guard<std::mutex> guard(mutex_);
  state_->calls.push_back(std::move(line));
}

void FakeEngine::Violation(std::string what) {
  std::lock_guard<std::mutex> guard(mutex_);
  state_->violations.push_back(std::move(what));
}

bool FakeEngine::GivenNull(const void* handle, const char* function, const char* kind) {
  if (handle != nullptr) return false;
  Violation(std::string(function) + " given a null " + kind);
  return true;
}

void FakeEngine::KeepSent(const char* channel, const uint8_t* message, size_t message_size,
                          FlutterDesktopBinaryReply reply, void* user_data, bool with_reply) {
  PendingSend pending;
  pending.sent = {channel ? channel : "", std::vector<uint8_t>(message, message + message_size),
                  with_reply};
  pending.reply = reply;
  pending.user_data = user_data;
  std::lock_guard<std::mutex> guard(mutex_);
  state_->sent.push_back(std::move(pending));
}

bool FakeEngine::CheckLive(FlutterDesktopEngineRef engine, const char* function) {
  if (engine == nullptr || engine->live) return true;
  Violation(std::string(function) + " on " + Describe(engine) + " after it ended");
  return false;
}

bool FakeEngine::CheckLive(FlutterDesktopViewControllerRef controller, const char* function) {
  if (GivenNull(controller, function, "controller")) return false;
  if (controller->live) return true;
  Violation(std::string(function) + " on " + Describe(controller) + " after it ended");
  return false;
}

void FakeEngine::CheckReferenced(FlutterDesktopMessengerRef messenger, const char* function) {
  if (messenger->references.load() > 0) return;
  Violation(std::string(function) + " on " + Describe(messenger) +
            " after its last reference was released");
}

void FakeEngine::EndEngine(FlutterDesktopEngineRef engine) {
  engine->live = false;
  engine->next_frame = nullptr;
  engine->next_frame_user_data = nullptr;
  FlutterDesktopMessenger* messenger = engine->messenger;
  {
    std::lock_guard<std::mutex> guard(messenger->lock);
    messenger->available = false;
  }
  messenger->callbacks.clear();
  messenger->references.fetch_sub(1);
}

FlutterDesktopEngineRef FakeEngine::NewestLiveEngine() const {
  for (auto it = state_->engines.rbegin(); it != state_->engines.rend(); ++it) {
    if ((*it)->live) return it->get();
  }
  return nullptr;
}

void FakeEngine::SetMessengerAvailable(bool available) {
  FlutterDesktopEngineRef engine = NewestLiveEngine();
  if (engine == nullptr) Abort("no live engine to change");
  std::lock_guard<std::mutex> guard(engine->messenger->lock);
  engine->messenger->available = available;
}

int FakeEngine::DeliverMessage(const std::string& channel, const std::vector<uint8_t>& message) {
  FlutterDesktopEngineRef engine = NewestLiveEngine();
  if (engine == nullptr) return 0;
  auto found = engine->messenger->callbacks.find(channel);
  if (found == engine->messenger->callbacks.end()) return 0;
  const auto [callback, user_data] = found->second;

  int number;
  const FlutterDesktopMessageResponse* handle;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    number = state_->next_message_number++;
    auto response_handle = std::make_unique<FlutterDesktopMessageResponse>();
    response_handle->number = number;
    handle = response_handle.get();
    state_->response_handles.emplace(number, std::move(response_handle));
    state_->responses[number];
  }
  // A copy that dies with the delivery, so a host that keeps the bytes
  // beyond the call reads freed memory.
  std::vector<uint8_t> bytes(message);
  FlutterDesktopMessage record = {};
  record.leading_fields[1] = channel.c_str();
  record.message = bytes.data();
  record.message_size = bytes.size();
  record.response_handle = handle;
  callback(engine->messenger, &record, user_data);
  return number;
}

std::vector<std::vector<uint8_t>> FakeEngine::ResponsesTo(int message_number) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto found = state_->responses.find(message_number);
  if (found == state_->responses.end()) return {};
  return found->second;
}

void FakeEngine::ForgetDeliveredMessages() {
  std::lock_guard<std::mutex> guard(mutex_);
  state_->response_handles.clear();
  state_->responses.clear();
}

void FakeEngine::RenderFrame() {
  for (const auto& engine : state_->engines) {
    if (!engine->live || engine->next_frame == nullptr) continue;
    FlutterDesktopOnNextFrame callback = engine->next_frame;
    void* user_data = engine->next_frame_user_data;
    if (!repeat_next_frame_) {
      engine->next_frame = nullptr;
      engine->next_frame_user_data = nullptr;
    }
    callback(user_data);
  }
}

bool FakeEngine::AnswerSentMessage(size_t index, const std::vector<uint8_t>& reply) {
  FlutterDesktopBinaryReply callback;
  void* user_data;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (index >= state_->sent.size()) return false;
    PendingSend& pending = state_->sent[index];
    if (!pending.sent.with_reply || pending.answered) return false;
    pending.answered = true;
    callback = pending.reply;
    user_data = pending.user_data;
  }
  callback(reply.data(), reply.size(), user_data);
  return true;
}

std::vector<SentMessage> FakeEngine::sent_messages() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<SentMessage> sent;
  for (const PendingSend& pending : state_->sent) sent.push_back(pending.sent);
  return sent;
}

std::vector<std::string> FakeEngine::calls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return state_->calls;
}

void FakeEngine::ClearCalls() {
  std::lock_guard<std::mutex> guard(mutex_);
  state_->calls.clear();
}

void FakeEngine::Note(const std::string& line) {
  if (!recording_) return;
  std::lock_guard<std::mutex> guard(mutex_);
  state_->calls.push_back(line);
}

std::shared_ptr<int> FakeEngine::DropMarker(const std::string& line) {
  return std::shared_ptr<int>(new int(0), [this, line](int* token) {
    Note(line);
    delete token;
  });
}

void* FakeEngine::CallbackUserData(const std::string& channel) const {
  FlutterDesktopEngineRef engine = NewestLiveEngine();
  if (engine == nullptr) return nullptr;
  auto found = engine->messenger->callbacks.find(channel);
  return found == engine->messenger->callbacks.end() ? nullptr : found->second.second;
}

int FakeEngine::live_engine_count() const {
  int live = 0;
  for (const auto& engine : state_->engines) live += engine->live ? 1 : 0;
  return live;
}

std::vector<std::string> FakeEngine::Problems() const {
  std::vector<std::string> problems;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    problems = state_->violations;
  }
  long references = host_references_.load();
  if (references > 0) {
    problems.push_back(std::to_string(references) + " messenger references never released");
  }
  for (const auto& messenger : state_->messengers) {
    if (messenger->lock_owner.load() != std::thread::id()) {
      problems.push_back(Describe(messenger.get()) + " still locked");
    }
  }
  return problems;
}

FlutterDesktopEngineRef FakeEngine::EngineCreate(const FlutterDesktopEngineProperties* properties) {
  Record("FlutterDesktopEngineCreate", std::string(properties ? "properties" : "null"));
  if (properties == nullptr) {
    Violation("FlutterDesktopEngineCreate given no properties");
    return nullptr;
  }
  RecordedEngineProperties& recorded = last_properties_;
  recorded.assets_path = kestro::text::CopyWideChars(properties->assets_path);
  recorded.icu_data_path = kestro::text::CopyWideChars(properties->icu_data_path);
  recorded.aot_library_path = kestro::text::CopyWideChars(properties->aot_library_path);
  recorded.dart_entrypoint_is_null = properties->dart_entrypoint == nullptr;
  recorded.dart_entrypoint = properties->dart_entrypoint ? properties->dart_entrypoint : "";
  recorded.dart_entrypoint_argc = properties->dart_entrypoint_argc;
  recorded.dart_entrypoint_argv_is_null = properties->dart_entrypoint_argv == nullptr;
  recorded.dart_entrypoint_argv.clear();
  for (int32_t i = 0; properties->dart_entrypoint_argv && i < properties->dart_entrypoint_argc;
       ++i) {
    const char* argument = properties->dart_entrypoint_argv[i];
    recorded.dart_entrypoint_argv.push_back(argument ? argument : "<null>");
  }
  recorded.option_a = properties->option_a;
  recorded.option_b = properties->option_b;
  if (fail_engine_create_) return nullptr;

  int number = static_cast<int>(state_->engines.size()) + 1;
  auto messenger = std::make_unique<FlutterDesktopMessenger>();
  messenger->number = number;
  auto engine = std::make_unique<FlutterDesktopEngine>();
  engine->number = number;
  engine->messenger = messenger.get();
  state_->messengers.push_back(std::move(messenger));
  state_->engines.push_back(std::move(engine));
  return state_->engines.back().get();
}

bool FakeEngine::EngineDestroy(FlutterDesktopEngineRef engine) {
  Record("FlutterDesktopEngineDestroy", engine);
  if (engine == nullptr) return false;
  if (!CheckLive(engine, "FlutterDesktopEngineDestroy")) return false;
  if (engine->owned_by_controller) {
    Violation("FlutterDesktopEngineDestroy on " + Describe(engine) +
              ", which a view controller owns");
  }
  EndEngine(engine);
  return true;
}

FlutterDesktopMessengerRef FakeEngine::EngineGetMessenger(FlutterDesktopEngineRef engine) {
  Record("FlutterDesktopEngineGetMessenger", engine);
  if (engine == nullptr || !CheckLive(engine, "FlutterDesktopEngineGetMessenger")) return nullptr;
  return engine->messenger;
}

FlutterDesktopPluginRegistrarRef FakeEngine::EngineGetPluginRegistrar(
    FlutterDesktopEngineRef engine, const char* plugin_name) {
  Record("FlutterDesktopEngineGetPluginRegistrar", engine, plugin_name);
  if (engine == nullptr || !CheckLive(engine, "FlutterDesktopEngineGetPluginRegistrar")) {
    return nullptr;
  }
  if (null_registrars_ || plugin_name == nullptr) return nullptr;
  std::unique_ptr<FlutterDesktopPluginRegistrar>& registrar = engine->registrars[plugin_name];
  if (!registrar) {
    registrar = std::make_unique<FlutterDesktopPluginRegistrar>();
    registrar->plugin_name = plugin_name;
  }
  return registrar.get();
}

void FakeEngine::EngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                            FlutterDesktopOnNextFrame callback, void* user_data) {
  Record("FlutterDesktopEngineSetNextFrameCallback", engine, callback, Opaque{user_data});
  if (engine == nullptr || !CheckLive(engine, "FlutterDesktopEngineSetNextFrameCallback")) return;
  engine->next_frame = callback;
  engine->next_frame_user_data = user_data;
}

void FakeEngine::EngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  Record("FlutterDesktopEngineReloadSystemFonts", engine);
  CheckLive(engine, "FlutterDesktopEngineReloadSystemFonts");
}

FlutterDesktopViewControllerRef FakeEngine::ViewControllerCreate(int width, int height,
                                                                 FlutterDesktopEngineRef engine) {
  Record("FlutterDesktopViewControllerCreate", width, height, engine);
  if (engine == nullptr || !CheckLive(engine, "FlutterDesktopViewControllerCreate")) {
    return nullptr;
  }
  if (engine->owned_by_controller) {
    Violation(Describe(engine) + " handed to a second view controller");
    return nullptr;
  }
  engine->owned_by_controller = true;
  // The library owns the engine from here on, also when it fails.
  if (fail_view_controller_create_) {
    EndEngine(engine);
    return nullptr;
  }
  auto controller = std::make_unique<FlutterDesktopViewController>();
  controller->number = static_cast<int>(state_->controllers.size()) + 1;
  controller->view.number = controller->number;
  controller->engine = engine;
  state_->controllers.push_back(std::move(controller));
  return state_->controllers.back().get();
}

void FakeEngine::ViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  Record("FlutterDesktopViewControllerDestroy", controller);
  if (!CheckLive(controller, "FlutterDesktopViewControllerDestroy")) return;
  controller->live = false;
  controller->view.live = false;
  EndEngine(controller->engine);
}

FlutterDesktopViewRef FakeEngine::ViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  Record("FlutterDesktopViewControllerGetView", controller);
  if (!CheckLive(controller, "FlutterDesktopViewControllerGetView")) return nullptr;
  return &controller->view;
}

void FakeEngine::ViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  Record("FlutterDesktopViewControllerForceRedraw", controller);
  CheckLive(controller, "FlutterDesktopViewControllerForceRedraw");
}

bool FakeEngine::ViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef controller,
                                                        HWND hwnd, UINT message, WPARAM wparam,
                                                        LPARAM lparam, LRESULT* result) {
  Record("FlutterDesktopViewControllerHandleTopLevelWindowProc", controller, hwnd, message, wparam,
         lparam);
  if (!CheckLive(controller, "FlutterDesktopViewControllerHandleTopLevelWindowProc")) {
    return false;
  }
  if (result == nullptr) {
    Violation("FlutterDesktopViewControllerHandleTopLevelWindowProc given no result");
    return false;
  }
  *result = window_proc_answer_.value_or(kUnhandledResultScribble);
  return window_proc_answer_.has_value();
}

HWND FakeEngine::ViewGetHWND(FlutterDesktopViewRef view) {
  Record("FlutterDesktopViewGetHWND", view);
  if (view == nullptr || !view->live) {
    Violation("FlutterDesktopViewGetHWND on " + Describe(view) + ", which is not live");
    return nullptr;
  }
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 + view->number));
}

UINT FakeEngine::GetDpiForMonitor(HMONITOR monitor) {
  Record("FlutterDesktopGetDpiForMonitor", monitor);
  return dpi_;
}

void FakeEngine::ResyncOutputStreams() { Record("FlutterDesktopResyncOutputStreams"); }

void FakeEngine::MessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                      FlutterDesktopMessageCallback callback, void* user_data) {
  Record("FlutterDesktopMessengerSetCallback", messenger, channel, callback, Opaque{user_data});
  if (messenger == nullptr || channel == nullptr) {
    Violation("FlutterDesktopMessengerSetCallback given a null messenger or channel");
    return;
  }
  if (!messenger->available) {
    Violation("FlutterDesktopMessengerSetCallback on " + Describe(messenger) +
              " of an ended engine");
    return;
  }
  if (callback == nullptr) {
    messenger->callbacks.erase(channel);
  } else {
    messenger->callbacks[channel] = {callback, user_data};
  }
}

bool FakeEngine::MessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                               const uint8_t* message, size_t message_size) {
  Record("FlutterDesktopMessengerSend", messenger, channel, ByteCount(message_size));
  KeepSent(channel, message, message_size, nullptr, nullptr, false);
  return true;
}

bool FakeEngine::MessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                        const uint8_t* message, size_t message_size,
                                        FlutterDesktopBinaryReply reply, void* user_data) {
  Record("FlutterDesktopMessengerSendWithReply", messenger, channel, ByteCount(message_size), reply,
         Opaque{user_data});
  if (refuse_send_with_reply_) return false;
  KeepSent(channel, message, message_size, reply, user_data, true);
  return true;
}

void FakeEngine::MessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                       const FlutterDesktopMessageResponse* handle,
                                       const uint8_t* data, size_t data_length) {
  Record("FlutterDesktopMessengerSendResponse", messenger, handle, ByteCount(data_length));
  if (messenger == nullptr || handle == nullptr) {
    Violation("FlutterDesktopMessengerSendResponse given a null messenger or response handle");
    return;
  }
  CheckReferenced(messenger, "FlutterDesktopMessengerSendResponse");
  if (!null_lock_ && !HeldByThisThread(messenger)) {
    Violation("response to " + Describe(handle) + " sent without the messenger lock");
  }
  if (!messenger->available) {
    Violation("response to " + Describe(handle) + " sent after the engine has gone");
  }
  if (data == nullptr && data_length != 0) {
    Violation("response to " + Describe(handle) + " has a size but no bytes");
    return;
  }
  std::vector<uint8_t> bytes(data, data + data_length);
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<std::vector<uint8_t>>& responses = state_->responses[handle->number];
  responses.push_back(std::move(bytes));
  if (responses.size() > 1) {
    state_->violations.push_back(Describe(handle) + " answered more than once");
  }
}

FlutterDesktopMessengerRef FakeEngine::MessengerAddRef(FlutterDesktopMessengerRef messenger) {
  Record("FlutterDesktopMessengerAddRef", messenger);
  if (GivenNull(messenger, "FlutterDesktopMessengerAddRef", "messenger")) return nullptr;
  CheckReferenced(messenger, "FlutterDesktopMessengerAddRef");
  messenger->references.fetch_add(1);
  host_references_.fetch_add(1);
  return messenger;
}

void FakeEngine::MessengerRelease(FlutterDesktopMessengerRef messenger) {
  Record("FlutterDesktopMessengerRelease", messenger);
  if (GivenNull(messenger, "FlutterDesktopMessengerRelease", "messenger")) return;
  bool host_had_reference = host_references_.fetch_sub(1) > 0;
  bool messenger_had_reference = messenger->references.fetch_sub(1) > 0;
  if (!host_had_reference || !messenger_had_reference) {
    Violation(Describe(messenger) + " released more often than referenced");
  }
}

bool FakeEngine::MessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  Record("FlutterDesktopMessengerIsAvailable", messenger);
  if (GivenNull(messenger, "FlutterDesktopMessengerIsAvailable", "messenger")) return false;
  CheckReferenced(messenger, "FlutterDesktopMessengerIsAvailable");
  if (!null_lock_ && !HeldByThisThread(messenger)) {
    Violation("availability of " + Describe(messenger) + " read without its lock");
  }
  return messenger->available;
}

FlutterDesktopMessengerLockRef FakeEngine::MessengerLock(FlutterDesktopMessengerRef messenger) {
  Record("FlutterDesktopMessengerLock", messenger);
  if (GivenNull(messenger, "FlutterDesktopMessengerLock", "messenger")) return nullptr;
  CheckReferenced(messenger, "FlutterDesktopMessengerLock");
  if (null_lock_) return nullptr;
  if (HeldByThisThread(messenger)) {
    Violation(Describe(messenger) + " locked twice by one thread");
    return nullptr;
  }
  messenger->lock.lock();
  messenger->lock_owner = std::this_thread::get_id();
  return messenger;
}

void FakeEngine::MessengerUnlock(FlutterDesktopMessengerLockRef lock) {
  Record("FlutterDesktopMessengerUnlock", lock);
  if (GivenNull(lock, "FlutterDesktopMessengerUnlock", "lock")) return;
  if (!HeldByThisThread(lock)) {
    Violation(Describe(lock) + " unlocked by a thread that does not hold it");
    return;
  }
  lock->lock_owner = std::thread::id();
  lock->lock.unlock();
}

}  // namespace kestro_testing

using kestro_testing::FakeEngine;

extern "C" {

FlutterDesktopEngineRef FlutterDesktopEngineCreate(
    const FlutterDesktopEngineProperties* engine_properties) {
  return FakeEngine::Current().EngineCreate(engine_properties);
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  return FakeEngine::Current().EngineDestroy(engine);
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return FakeEngine::Current().EngineGetMessenger(engine);
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(
    FlutterDesktopEngineRef engine, const char* plugin_name) {
  return FakeEngine::Current().EngineGetPluginRegistrar(engine, plugin_name);
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                              FlutterDesktopOnNextFrame callback, void* user_data) {
  FakeEngine::Current().EngineSetNextFrameCallback(engine, callback, user_data);
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  FakeEngine::Current().EngineReloadSystemFonts(engine);
}

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  return FakeEngine::Current().ViewControllerCreate(width, height, engine);
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  FakeEngine::Current().ViewControllerDestroy(controller);
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  return FakeEngine::Current().ViewControllerGetView(controller);
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  FakeEngine::Current().ViewControllerForceRedraw(controller);
}

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(
    FlutterDesktopViewControllerRef controller, HWND hwnd, UINT message, WPARAM wparam,
    LPARAM lparam, LRESULT* result) {
  return FakeEngine::Current().ViewControllerHandleTopLevelWindowProc(controller, hwnd, message,
                                                                      wparam, lparam, result);
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) {
  return FakeEngine::Current().ViewGetHWND(view);
}

UINT FlutterDesktopGetDpiForMonitor(HMONITOR monitor) {
  return FakeEngine::Current().GetDpiForMonitor(monitor);
}

void FlutterDesktopResyncOutputStreams(void) { FakeEngine::Current().ResyncOutputStreams(); }

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  FakeEngine::Current().MessengerSetCallback(messenger, channel, callback, user_data);
}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                                 const uint8_t* message, size_t message_size) {
  return FakeEngine::Current().MessengerSend(messenger, channel, message, message_size);
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, size_t message_size,
                                          FlutterDesktopBinaryReply reply, void* user_data) {
  return FakeEngine::Current().MessengerSendWithReply(messenger, channel, message, message_size,
                                                      reply, user_data);
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                         const FlutterDesktopMessageResponse* handle,
                                         const uint8_t* data, size_t data_length) {
  FakeEngine::Current().MessengerSendResponse(messenger, handle, data, data_length);
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  return FakeEngine::Current().MessengerAddRef(messenger);
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  FakeEngine::Current().MessengerRelease(messenger);
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return FakeEngine::Current().MessengerIsAvailable(messenger);
}

FlutterDesktopMessengerLockRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  return FakeEngine::Current().MessengerLock(messenger);
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerLockRef lock) {
  FakeEngine::Current().MessengerUnlock(lock);
}

}  // extern "C"
