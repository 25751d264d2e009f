#include "embedding/app_plugins.h"

#include <string>

namespace flutter {
namespace {

using RegisterWithRegistrar = void (*)(FlutterDesktopPluginRegistrarRef registrar);

struct AppPlugin {
  const char* registrar_name;
  RegisterWithRegistrar register_with_registrar;
};

// The order is behaviour: plugins are registered in it.
#define KESTRO_APP_PLUGIN_ROW(name, library) {#name, &name##RegisterWithRegistrar},
const AppPlugin kAppPlugins[] = {KESTRO_APP_PLUGINS(KESTRO_APP_PLUGIN_ROW)};
#undef KESTRO_APP_PLUGIN_ROW

}  // namespace

void RegisterAppPlugins(PluginRegistry* registry) {
  for (const AppPlugin& plugin : kAppPlugins) {
    FlutterDesktopPluginRegistrarRef registrar =
        registry->GetPluginRegistrar(std::string(plugin.registrar_name));
    plugin.register_with_registrar(registrar);
  }
}

}  // namespace flutter
