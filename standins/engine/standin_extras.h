// Functions that the stand-in engine library exports beyond the engine's own
// interface: how the stand-in plugins report their registration, and hooks
// for tests. A real engine library has none of them, so callers look them up
// with GetProcAddress and do without when they are missing.

#ifndef KESTRO_STANDINS_ENGINE_STANDIN_EXTRAS_H_
#define KESTRO_STANDINS_ENGINE_STANDIN_EXTRAS_H_

#include "embedding/flutter_desktop_api.h"

#ifdef __cplusplus
extern "C" {
#endif

// Notes that the plugin `plugin_name` was registered with `registrar`
// (which may be null). The app's "started" line lists the notes in order.
FLUTTER_DESKTOP_API void KestroStandInRecordPlugin(const char* plugin_name,
                                                   FlutterDesktopPluginRegistrarRef registrar);
typedef void (*KestroStandInRecordPluginFunction)(const char* plugin_name,
                                                  FlutterDesktopPluginRegistrarRef registrar);
#define KESTRO_STANDIN_RECORD_PLUGIN_NAME "KestroStandInRecordPlugin"

// From now on the top-level window hook answers `message` with `result`
// (returns true) for every view controller; 0 answers nothing again.
FLUTTER_DESKTOP_API void KestroStandInAnswerTopLevelMessage(UINT message, LRESULT result);

// How often the fonts of `engine` were reloaded.
FLUTTER_DESKTOP_API int KestroStandInFontReloads(FlutterDesktopEngineRef engine);

// How many frames `engine` has rendered.
FLUTTER_DESKTOP_API int KestroStandInFrames(FlutterDesktopEngineRef engine);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // KESTRO_STANDINS_ENGINE_STANDIN_EXTRAS_H_
