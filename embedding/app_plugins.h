// The eight plugins the Dart app uses (embedding/app_plugin_list.h): their
// registration functions, each exported by a plugin library of its own, and
// the registration of all of them against a registry.

#ifndef KESTRO_EMBEDDING_APP_PLUGINS_H_
#define KESTRO_EMBEDDING_APP_PLUGINS_H_

#include "embedding/app_plugin_list.h"
#include "embedding/flutter_desktop_api.h"
#include "embedding/plugin_registry.h"

// A plugin library defines KESTRO_PLUGIN_LIBRARY_BUILD to export its
// registration function from this same header; the host imports them.
#if defined(_WIN32)
#if defined(KESTRO_PLUGIN_LIBRARY_BUILD)
#define APP_PLUGIN_API __declspec(dllexport)
#else
#define APP_PLUGIN_API __declspec(dllimport)
#endif
#else
#define APP_PLUGIN_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Each sets its plugin up through `registrar`, which may be null.
#define KESTRO_DECLARE_PLUGIN_REGISTRATION(name, library) \
  APP_PLUGIN_API void name##RegisterWithRegistrar(FlutterDesktopPluginRegistrarRef registrar);
KESTRO_APP_PLUGINS(KESTRO_DECLARE_PLUGIN_REGISTRATION)
#undef KESTRO_DECLARE_PLUGIN_REGISTRATION

#ifdef __cplusplus
}  // extern "C"
#endif

namespace flutter {

// Registers the eight plugins in their fixed order, each with the registrar
// `registry` gives for the plugin's own name, null included. Each
// registration finishes before the next begins. Reports nothing.
void RegisterAppPlugins(PluginRegistry* registry);

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_APP_PLUGINS_H_
