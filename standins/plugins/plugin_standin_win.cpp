// A stand-in plugin library. Built once per plugin with KESTRO_PLUGIN set to
// the plugin's registrar name; its one export is that plugin's registration
// function. Registering tells the stand-in engine which plugin was registered
// and with which registrar. Under a real engine library, which has no such
// export, registering does nothing.

#include <windows.h>

#include "embedding/app_plugins.h"
#include "standins/engine/standin_extras.h"

#define KESTRO_STRINGIFY_TOKEN(token) #token
#define KESTRO_STRINGIFY(token) KESTRO_STRINGIFY_TOKEN(token)
#define KESTRO_PASTE_TOKENS(first, second) first##second
#define KESTRO_PASTE(first, second) KESTRO_PASTE_TOKENS(first, second)

namespace {

constexpr char kPluginName[] = KESTRO_STRINGIFY(KESTRO_PLUGIN);

void TellEngine(FlutterDesktopPluginRegistrarRef registrar) {
  HMODULE engine = ::GetModuleHandleW(L"flutter_windows.dll");
  if (engine == nullptr) return;
  auto record = reinterpret_cast<KestroStandInRecordPluginFunction>(
      reinterpret_cast<void*>(::GetProcAddress(engine, KESTRO_STANDIN_RECORD_PLUGIN_NAME)));
  if (record != nullptr) record(kPluginName, registrar);
}

}  // namespace

extern "C" void KESTRO_PASTE(KESTRO_PLUGIN,
                             RegisterWithRegistrar)(FlutterDesktopPluginRegistrarRef registrar) {
  TellEngine(registrar);
}
