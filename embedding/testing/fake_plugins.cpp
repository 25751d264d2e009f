#include "embedding/testing/fake_plugins.h"

#include <utility>

#include "embedding/app_plugins.h"

namespace kestro_testing {
namespace {

std::vector<PluginRegistration>& Registrations() {
  static std::vector<PluginRegistration> registrations;
  return registrations;
}

void Register(const char* function, FlutterDesktopPluginRegistrarRef registrar) {
  Registrations().push_back({function, registrar});
}

}  // namespace

std::vector<PluginRegistration> TakePluginRegistrations() {
  return std::exchange(Registrations(), {});
}

size_t PluginRegistrationCount() { return Registrations().size(); }

}  // namespace kestro_testing

// Each definition records its own name.
#define KESTRO_FAKE_PLUGIN(function)                          \
  void function(FlutterDesktopPluginRegistrarRef registrar) { \
    kestro_testing::Register(#function, registrar);           \
  }

extern "C" {
KESTRO_FAKE_PLUGIN(AppLinksPluginCApiRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(AudioplayersWindowsPluginRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(ConnectivityPlusWindowsPluginRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(PrintingPluginRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(SharePlusWindowsPluginCApiRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(Sqlite3FlutterLibsPluginRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(UrlLauncherWindowsRegisterWithRegistrar)
KESTRO_FAKE_PLUGIN(WindowsSingleInstancePluginRegisterWithRegistrar)
}
