// The engine library's plain C interface (flutter_windows.dll), declared as
// the host uses it: opaque handles and functions that all begin with
// FlutterDesktop. Records are laid out for the library's 64-bit Windows ABI.
//
// Nothing here is owned by the host: every handle belongs to the engine
// library and stays valid until the call that ends it.

#ifndef KESTRO_EMBEDDING_FLUTTER_DESKTOP_API_H_
#define KESTRO_EMBEDDING_FLUTTER_DESKTOP_API_H_

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "embedding/windows_types.h"

#if defined(_WIN32)
#if defined(KESTRO_ENGINE_LIBRARY_BUILD)
#define FLUTTER_DESKTOP_API __declspec(dllexport)
#else
#define FLUTTER_DESKTOP_API __declspec(dllimport)
#endif
#else
#define FLUTTER_DESKTOP_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Opaque handles.
typedef struct FlutterDesktopEngine* FlutterDesktopEngineRef;
typedef struct FlutterDesktopViewController* FlutterDesktopViewControllerRef;
typedef struct FlutterDesktopView* FlutterDesktopViewRef;
typedef struct FlutterDesktopMessenger* FlutterDesktopMessengerRef;
typedef struct FlutterDesktopPluginRegistrar* FlutterDesktopPluginRegistrarRef;
typedef struct FlutterDesktopMessageResponse FlutterDesktopMessageResponse;
// What FlutterDesktopMessengerLock returns; handed back to unlock.
typedef struct FlutterDesktopMessenger* FlutterDesktopMessengerLockRef;

// A UTF-16 code unit: wchar_t on Windows, char16_t where wchar_t is wider.
#if defined(_WIN32)
typedef wchar_t FlutterDesktopChar16;
#else
typedef char16_t FlutterDesktopChar16;
#endif

// What the engine is created from. It lives only for the creation call and
// points into the caller's strings.
typedef struct {
  const FlutterDesktopChar16* assets_path;       // NUL-terminated UTF-16
  const FlutterDesktopChar16* icu_data_path;     // NUL-terminated UTF-16
  const FlutterDesktopChar16* aot_library_path;  // NUL-terminated UTF-16
  const char* dart_entrypoint;    // NUL-terminated UTF-8; empty, never null
  int32_t dart_entrypoint_argc;
  const char** dart_entrypoint_argv;  // null when the count is 0
  int32_t option_a;  // engine option values; the host passes 0
  int32_t option_b;
} FlutterDesktopEngineProperties;

// One incoming channel message, owned by the engine and only read by the
// host. The host reads the three fields after the leading ones.
typedef struct {
  const void* leading_fields[2];  // not read by the host
  const uint8_t* message;
  size_t message_size;
  const FlutterDesktopMessageResponse* response_handle;
} FlutterDesktopMessage;

// Called for each message on a channel with a callback installed.
typedef void (*FlutterDesktopMessageCallback)(FlutterDesktopMessengerRef messenger,
                                              const FlutterDesktopMessage* message,
                                              void* user_data);
// Called once with the reply to a message sent with a reply callback.
typedef void (*FlutterDesktopBinaryReply)(const uint8_t* data, size_t data_size,
                                          void* user_data);
// Called once after the engine's next frame.
typedef void (*FlutterDesktopOnNextFrame)(void* user_data);

// Engine.
FLUTTER_DESKTOP_API FlutterDesktopEngineRef
FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties* engine_properties);
FLUTTER_DESKTOP_API bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine);
FLUTTER_DESKTOP_API FlutterDesktopMessengerRef
FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine);
FLUTTER_DESKTOP_API FlutterDesktopPluginRegistrarRef
FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef engine, const char* plugin_name);
FLUTTER_DESKTOP_API void FlutterDesktopEngineSetNextFrameCallback(
    FlutterDesktopEngineRef engine, FlutterDesktopOnNextFrame callback, void* user_data);
FLUTTER_DESKTOP_API void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine);

// View controller and view. Creating the controller starts the engine; from
// then on only FlutterDesktopViewControllerDestroy ends it.
FLUTTER_DESKTOP_API FlutterDesktopViewControllerRef
FlutterDesktopViewControllerCreate(int width, int height, FlutterDesktopEngineRef engine);
FLUTTER_DESKTOP_API void FlutterDesktopViewControllerDestroy(
    FlutterDesktopViewControllerRef controller);
FLUTTER_DESKTOP_API FlutterDesktopViewRef
FlutterDesktopViewControllerGetView(FlutterDesktopViewControllerRef controller);
FLUTTER_DESKTOP_API void FlutterDesktopViewControllerForceRedraw(
    FlutterDesktopViewControllerRef controller);
// True when the engine handled the message; it then wrote `result`.
FLUTTER_DESKTOP_API bool FlutterDesktopViewControllerHandleTopLevelWindowProc(
    FlutterDesktopViewControllerRef controller, HWND hwnd, UINT message, WPARAM wparam,
    LPARAM lparam, LRESULT* result);
FLUTTER_DESKTOP_API HWND FlutterDesktopViewGetHWND(FlutterDesktopViewRef view);

// Process-wide.
FLUTTER_DESKTOP_API UINT FlutterDesktopGetDpiForMonitor(HMONITOR monitor);
FLUTTER_DESKTOP_API void FlutterDesktopResyncOutputStreams(void);

// Messenger. A callback and user data of null remove a channel's callback.
FLUTTER_DESKTOP_API void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger,
                                                            const char* channel,
                                                            FlutterDesktopMessageCallback callback,
                                                            void* user_data);
FLUTTER_DESKTOP_API bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger,
                                                     const char* channel, const uint8_t* message,
                                                     size_t message_size);
// True: `reply` is called once later. False: it is never called.
FLUTTER_DESKTOP_API bool FlutterDesktopMessengerSendWithReply(
    FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message,
    size_t message_size, FlutterDesktopBinaryReply reply, void* user_data);
// Each response handle is used once.
FLUTTER_DESKTOP_API void FlutterDesktopMessengerSendResponse(
    FlutterDesktopMessengerRef messenger, const FlutterDesktopMessageResponse* handle,
    const uint8_t* data, size_t data_length);
// Returns the messenger, usable until the matching Release.
FLUTTER_DESKTOP_API FlutterDesktopMessengerRef
FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger);
FLUTTER_DESKTOP_API void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger);
// False once the engine behind the messenger has gone.
FLUTTER_DESKTOP_API bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger);
FLUTTER_DESKTOP_API FlutterDesktopMessengerLockRef
FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger);
// Only a non-null lock is unlocked.
FLUTTER_DESKTOP_API void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerLockRef lock);

#ifdef __cplusplus
}  // extern "C"
#endif

#ifdef __cplusplus
#include <cstddef>
// The 64-bit Windows layout of the records above.
static_assert(offsetof(FlutterDesktopMessage, message) == 16, "message pointer at 16");
static_assert(offsetof(FlutterDesktopMessage, message_size) == 24, "message size at 24");
static_assert(offsetof(FlutterDesktopMessage, response_handle) == 32, "response handle at 32");
static_assert(offsetof(FlutterDesktopEngineProperties, dart_entrypoint) == 24, "entry point");
static_assert(offsetof(FlutterDesktopEngineProperties, dart_entrypoint_argc) == 32, "count");
static_assert(offsetof(FlutterDesktopEngineProperties, dart_entrypoint_argv) == 40, "arguments");
static_assert(sizeof(FlutterDesktopEngineProperties) == 56, "two 32-bit options at the end");
#endif

#endif  // KESTRO_EMBEDDING_FLUTTER_DESKTOP_API_H_
