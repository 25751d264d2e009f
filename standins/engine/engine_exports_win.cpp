// The exported functions of the stand-in flutter_windows.dll. Each is a thin
// call into the object behind its handle; null handles are tolerated.

#include <windows.h>

#include <string>

#include "embedding/flutter_desktop_api.h"
#include "standins/app/decimal.h"
#include "standins/engine/engine_win.h"
#include "standins/engine/messenger_core.h"
#include "standins/engine/standin_extras.h"

namespace {

UINT g_answered_message = 0;
LRESULT g_answer = 0;

// KESTRO_STANDIN_DPI, when it holds a positive whole number.
UINT DpiOverride() {
  wchar_t text[16];
  const DWORD length = ::GetEnvironmentVariableW(L"KESTRO_STANDIN_DPI", text, 16);
  if (length == 0 || length >= 16) return 0;
  std::string narrow;
  for (DWORD i = 0; i < length; ++i) narrow.push_back(static_cast<char>(text[i]));
  std::optional<int> dpi = kestro::standin::ParseDecimal(narrow);
  return dpi ? static_cast<UINT>(*dpi) : 0;
}

// The monitor's effective DPI from shcore when the system has it.
UINT MonitorDpi(HMONITOR monitor) {
  using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
  UINT dpi = 0;
  if (shcore != nullptr) {
    auto get_dpi = reinterpret_cast<GetDpiForMonitorFunction>(
        reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")));
    UINT dpi_y = 0;
    if (get_dpi == nullptr || get_dpi(monitor, 0, &dpi, &dpi_y) != S_OK) dpi = 0;
    ::FreeLibrary(shcore);
  }
  if (dpi != 0) return dpi;
  HDC screen = ::GetDC(nullptr);
  dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX));
  ::ReleaseDC(nullptr, screen);
  return dpi != 0 ? dpi : 96;
}

}  // namespace

extern "C" {

FlutterDesktopEngineRef FlutterDesktopEngineCreate(
    const FlutterDesktopEngineProperties* engine_properties) {
  if (engine_properties == nullptr) return nullptr;
  return new FlutterDesktopEngine(*engine_properties);
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  delete engine;
  return true;
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return engine ? engine->messenger() : nullptr;
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(
    FlutterDesktopEngineRef engine, const char* plugin_name) {
  if (engine == nullptr || plugin_name == nullptr) return nullptr;
  return engine->RegistrarFor(plugin_name);
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                              FlutterDesktopOnNextFrame callback, void* user_data) {
  if (engine) engine->SetNextFrameCallback(callback, user_data);
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  if (engine) engine->ReloadSystemFonts();
}

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  if (engine == nullptr) return nullptr;
  // The controller owns the engine from here on, also when it fails.
  std::unique_ptr<FlutterDesktopEngine> owned(engine);
  if (owned->options().fail_view || width <= 0 || height <= 0) return nullptr;
  auto* controller = new FlutterDesktopViewController{std::move(owned), {}};
  controller->view.window = controller->engine->Run(width, height);
  return controller;
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  if (controller == nullptr) return;
  controller->engine->Stop();
  delete controller;
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  return controller ? &controller->view : nullptr;
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  if (controller) controller->engine->RequestFrame();
}

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(
    FlutterDesktopViewControllerRef controller, HWND hwnd, UINT message, WPARAM wparam,
    LPARAM lparam, LRESULT* result) {
  if (controller == nullptr) return false;
  controller->engine->HandleTopLevelMessage(hwnd, message, wparam, lparam, result);
  if (g_answered_message == 0 || message != g_answered_message) return false;
  if (result != nullptr) *result = g_answer;
  return true;
}

HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) { return view ? view->window : nullptr; }

UINT FlutterDesktopGetDpiForMonitor(HMONITOR monitor) {
  const UINT forced = DpiOverride();
  return forced != 0 ? forced : MonitorDpi(monitor);
}

void FlutterDesktopResyncOutputStreams(void) {
  // The stand-in writes through the C runtime's streams, which follow a
  // reopened stream by themselves; flushing is all that is left to do.
  std::fflush(stdout);
  std::fflush(stderr);
}

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  if (messenger && channel) messenger->SetCallback(channel, callback, user_data);
}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                                 const uint8_t* message, size_t message_size) {
  return FlutterDesktopMessengerSendWithReply(messenger, channel, message, message_size, nullptr,
                                              nullptr);
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, size_t message_size,
                                          FlutterDesktopBinaryReply reply, void* user_data) {
  if (messenger == nullptr || channel == nullptr) return false;
  return messenger->SendFromHost(channel, message, message_size, reply, user_data);
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                         const FlutterDesktopMessageResponse* handle,
                                         const uint8_t* data, size_t data_length) {
  if (messenger) messenger->SendResponse(handle, data, data_length);
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  return messenger ? messenger->AddRef() : nullptr;
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  if (messenger) messenger->Release();
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return messenger != nullptr && messenger->IsAvailable();
}

FlutterDesktopMessengerLockRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  return messenger ? messenger->Lock() : nullptr;
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerLockRef lock) {
  if (lock) lock->Unlock();
}

void KestroStandInRecordPlugin(const char* plugin_name,
                               FlutterDesktopPluginRegistrarRef registrar) {
  kestro::standin::PluginRecord record;
  record.name = plugin_name ? plugin_name : "";
  record.registrar = registrar != nullptr;
  if (kestro::standin::IsLiveRegistrar(registrar)) record.registrar_for = registrar->plugin_name;
  kestro::standin::PluginRecords().push_back(std::move(record));
}

void KestroStandInAnswerTopLevelMessage(UINT message, LRESULT result) {
  g_answered_message = message;
  g_answer = result;
}

int KestroStandInFontReloads(FlutterDesktopEngineRef engine) {
  return engine ? engine->font_reloads() : 0;
}

int KestroStandInFrames(FlutterDesktopEngineRef engine) { return engine ? engine->frames() : 0; }

}  // extern "C"
