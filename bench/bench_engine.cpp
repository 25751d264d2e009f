#include "bench/bench_engine.h"

#include <cstdio>
#include <cstdlib>

// The engine library's opaque types, as this double lays them out: one of
// each, owned by the double.
struct FlutterDesktopEngine {};
struct FlutterDesktopMessenger {};
struct FlutterDesktopView {};
struct FlutterDesktopViewController {};
struct FlutterDesktopMessageResponse {};

namespace kestro::bench {
namespace {

BenchEngine* g_current = nullptr;
FlutterDesktopEngine g_engine;
FlutterDesktopMessenger g_messenger;
FlutterDesktopView g_view;
FlutterDesktopViewController g_controller;
// Every delivery hands out the same response handle: one message is in
// flight at a time.
const FlutterDesktopMessageResponse g_response;

BenchEngine& Current() {
  if (g_current == nullptr) {
    std::fputs("BenchEngine: no engine installed\n", stderr);
    std::abort();
  }
  return *g_current;
}

}  // namespace

BenchEngine::BenchEngine() {
  if (g_current != nullptr) {
    std::fputs("BenchEngine: only one may exist at a time\n", stderr);
    std::abort();
  }
  g_current = this;
}

BenchEngine::~BenchEngine() { g_current = nullptr; }

int BenchEngine::Deliver(const std::string& channel, const std::vector<uint8_t>& message) {
  for (const Channel& entry : channels_) {
    if (entry.name != channel) continue;
    FlutterDesktopMessage record = {};
    record.message = message.data();
    record.message_size = message.size();
    record.response_handle = &g_response;
    responses_ = 0;
    entry.callback(&g_messenger, &record, entry.user_data);
    return responses_;
  }
  return 0;
}

FlutterDesktopEngineRef BenchEngine::CreateEngine() {
  engine_live_ = true;
  return &g_engine;
}

FlutterDesktopViewControllerRef BenchEngine::CreateViewController(FlutterDesktopEngineRef engine) {
  return engine == &g_engine && engine_live_ ? &g_controller : nullptr;
}

void BenchEngine::DestroyViewController() {
  engine_live_ = false;
  channels_.clear();
}

void BenchEngine::SetCallback(const char* channel, FlutterDesktopMessageCallback callback,
                              void* user_data) {
  for (auto entry = channels_.begin(); entry != channels_.end(); ++entry) {
    if (entry->name != channel) continue;
    if (callback == nullptr) {
      channels_.erase(entry);
    } else {
      entry->callback = callback;
      entry->user_data = user_data;
    }
    return;
  }
  if (callback != nullptr) channels_.push_back({channel, callback, user_data});
}

void BenchEngine::SendResponse(const FlutterDesktopMessageResponse* handle, const uint8_t* data,
                               size_t size) {
  if (handle != &g_response) return;
  ++responses_;
  last_response_.assign(data, data + size);
}

FlutterDesktopMessengerRef BenchEngine::AddReference() {
  ++host_references_;
  return &g_messenger;
}

FlutterDesktopMessengerLockRef BenchEngine::Lock() {
  ++held_locks_;
  return &g_messenger;
}

}  // namespace kestro::bench

using kestro::bench::Current;

extern "C" {

FlutterDesktopEngineRef FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties*) {
  return Current().CreateEngine();
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef) { return true; }

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return engine == nullptr ? nullptr : &kestro::bench::g_messenger;
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef,
                                                                        const char*) {
  return nullptr;
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef, FlutterDesktopOnNextFrame,
                                              void*) {}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef) {}

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int, int,
                                                                   FlutterDesktopEngineRef engine) {
  return Current().CreateViewController(engine);
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef) {
  Current().DestroyViewController();
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(FlutterDesktopViewControllerRef) {
  return &kestro::bench::g_view;
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef) {}

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef, HWND,
                                                          UINT, WPARAM, LPARAM, LRESULT*) {
  return false;
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef) { return nullptr; }

UINT FlutterDesktopGetDpiForMonitor(HMONITOR) { return 96; }

void FlutterDesktopResyncOutputStreams(void) {}

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  Current().SetCallback(channel, callback, user_data);
}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef, const char*, const uint8_t*, size_t) {
  return false;
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef, const char*, const uint8_t*,
                                          size_t, FlutterDesktopBinaryReply, void*) {
  return false;
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef,
                                         const FlutterDesktopMessageResponse* handle,
                                         const uint8_t* data, size_t data_length) {
  Current().SendResponse(handle, data, data_length);
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef) {
  return Current().AddReference();
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef) { Current().ReleaseReference(); }

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef) { return true; }

FlutterDesktopMessengerLockRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef) {
  return Current().Lock();
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerLockRef) { Current().Unlock(); }

}  // extern "C"
