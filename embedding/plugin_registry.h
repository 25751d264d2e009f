// The lookup of plugin registrars that plugin registration runs against.

#ifndef KESTRO_EMBEDDING_PLUGIN_REGISTRY_H_
#define KESTRO_EMBEDDING_PLUGIN_REGISTRY_H_

#include <string>

#include "embedding/flutter_desktop_api.h"

namespace flutter {

class PluginRegistry {
 public:
  virtual ~PluginRegistry() = default;

  // The engine library's registrar for the plugin named `plugin_name`
  // (UTF-8), or null when there is none. The registrar belongs to the engine
  // library.
  virtual FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) = 0;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_PLUGIN_REGISTRY_H_
