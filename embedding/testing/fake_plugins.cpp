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
#define KESTRO_FAKE_PLUGIN(name, library)                                        \
  void name##RegisterWithRegistrar(FlutterDesktopPluginRegistrarRef registrar) { \
    kestro_testing::Register(#name "RegisterWithRegistrar", registrar);          \
  }

extern "C" {
KESTRO_APP_PLUGINS(KESTRO_FAKE_PLUGIN)
}

#undef KESTRO_FAKE_PLUGIN
