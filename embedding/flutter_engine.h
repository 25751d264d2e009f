// The host's owner object of one engine instance: creates the engine from a
// bundle, owns the messenger every channel travels through, looks up plugin
// registrars and runs a one-shot callback after the engine's next frame.

#ifndef KESTRO_EMBEDDING_FLUTTER_ENGINE_H_
#define KESTRO_EMBEDDING_FLUTTER_ENGINE_H_

#include <functional>
#include <memory>
#include <string>

#include "embedding/binary_messenger.h"
#include "embedding/binary_messenger_impl.h"
#include "embedding/dart_bundle.h"
#include "embedding/flutter_desktop_api.h"
#include "embedding/plugin_registry.h"

namespace flutter {

// Creates the engine but does not start it: the view controller takes the
// engine over right after construction and starts it. Until
// ReleaseEngineOwnership this object ends the engine when it is destroyed.
// Used on the UI thread only.
class FlutterEngine : public PluginRegistry {
 public:
  // Reads `bundle` only during construction. When the engine library yields
  // no engine, the handle stays absent, the engine's messenger is not asked
  // for and the owned messenger is built over a null handle.
  explicit FlutterEngine(const DartBundle& bundle);
  // Ends the engine if this object still owns it, then drops the next-frame
  // callback unrun and destroys the messenger.
  ~FlutterEngine() override;

  FlutterEngine(const FlutterEngine&) = delete;
  FlutterEngine& operator=(const FlutterEngine&) = delete;

  // Null, after an error line, when there is no engine handle.
  FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) override;

  void ReloadSystemFonts();

  // Runs `callback` once after the engine's next frame. Replaces, unrun, any
  // callback set before. Never runs after this object is gone.
  void SetNextFrameCallback(std::function<void()> callback);

  // Valid as long as this object lives.
  BinaryMessenger* GetMessenger();

  // Hands the engine instance over to the caller, who ends it from then on.
  // This object keeps using the handle.
  FlutterDesktopEngineRef ReleaseEngineOwnership();

 private:
  // The engine library's next-frame callback; `user_data` is the engine
  // object. An exception from the stored callable ends the process instead
  // of unwinding through the engine library.
  static void OnNextFrame(void* user_data) noexcept;

  FlutterDesktopEngineRef engine_ = nullptr;
  std::unique_ptr<BinaryMessengerImpl> messenger_;
  bool owns_engine_ = true;
  std::function<void()> next_frame_callback_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_FLUTTER_ENGINE_H_
