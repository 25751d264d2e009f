// Native test definitions of the eight plugin registration functions: each
// records that it was called and with which registrar.

#ifndef KESTRO_EMBEDDING_TESTING_FAKE_PLUGINS_H_
#define KESTRO_EMBEDDING_TESTING_FAKE_PLUGINS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "embedding/flutter_desktop_api.h"

namespace kestro_testing {

struct PluginRegistration {
  // The registration function's name, e.g. "PrintingPluginRegisterWithRegistrar".
  std::string function;
  FlutterDesktopPluginRegistrarRef registrar;
};

// The registrations since the last take, in call order; clears them.
std::vector<PluginRegistration> TakePluginRegistrations();

// How many registrations happened since the last take.
size_t PluginRegistrationCount();

}  // namespace kestro_testing

#endif  // KESTRO_EMBEDDING_TESTING_FAKE_PLUGINS_H_
