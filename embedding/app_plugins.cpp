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
const AppPlugin kAppPlugins[] = {
    {"AppLinksPluginCApi", &AppLinksPluginCApiRegisterWithRegistrar},
    {"AudioplayersWindowsPlugin", &AudioplayersWindowsPluginRegisterWithRegistrar},
    {"ConnectivityPlusWindowsPlugin", &ConnectivityPlusWindowsPluginRegisterWithRegistrar},
    {"PrintingPlugin", &PrintingPluginRegisterWithRegistrar},
    {"SharePlusWindowsPluginCApi", &SharePlusWindowsPluginCApiRegisterWithRegistrar},
    {"Sqlite3FlutterLibsPlugin", &Sqlite3FlutterLibsPluginRegisterWithRegistrar},
    {"UrlLauncherWindows", &UrlLauncherWindowsRegisterWithRegistrar},
    {"WindowsSingleInstancePlugin", &WindowsSingleInstancePluginRegisterWithRegistrar},
};

}  // namespace

void RegisterAppPlugins(PluginRegistry* registry) {
  for (const AppPlugin& plugin : kAppPlugins) {
    FlutterDesktopPluginRegistrarRef registrar =
        registry->GetPluginRegistrar(std::string(plugin.registrar_name));
    plugin.register_with_registrar(registrar);
  }
}

}  // namespace flutter
