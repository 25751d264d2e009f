#include "embedding/flutter_engine.h"

#include <utility>
#include <vector>

#include "codec/stderr_line.h"
#include "embedding/callback_boundary.h"
#include "text/wide_chars.h"

namespace flutter {
namespace {

constexpr char kNoEngineForRegistrar[] =
    "Cannot get plugin registrar on an engine that isn't running; call Run first.";

// Points into `bundle` and `argv`, which must outlive the returned record.
FlutterDesktopEngineProperties MakeEngineProperties(const DartBundle& bundle,
                                                    std::vector<const char*>& argv) {
  for (const std::string& argument : bundle.dart_entrypoint_arguments()) {
    argv.push_back(argument.c_str());
  }
  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = kestro::text::AsWideChars(bundle.assets_path());
  properties.icu_data_path = kestro::text::AsWideChars(bundle.icu_data_path());
  properties.aot_library_path = kestro::text::AsWideChars(bundle.aot_library_path());
  properties.dart_entrypoint = bundle.dart_entrypoint().c_str();
  properties.dart_entrypoint_argc = static_cast<int32_t>(argv.size());
  properties.dart_entrypoint_argv = argv.empty() ? nullptr : argv.data();
  properties.option_a = bundle.option_a();
  properties.option_b = bundle.option_b();
  return properties;
}

}  // namespace

FlutterEngine::FlutterEngine(const DartBundle& bundle) {
  std::vector<const char*> argv;
  FlutterDesktopEngineProperties properties = MakeEngineProperties(bundle, argv);
  engine_ = FlutterDesktopEngineCreate(&properties);
  FlutterDesktopMessengerRef messenger =
      engine_ != nullptr ? FlutterDesktopEngineGetMessenger(engine_) : nullptr;
  messenger_ = std::make_unique<BinaryMessengerImpl>(messenger);
}

FlutterEngine::~FlutterEngine() {
  if (engine_ != nullptr && owns_engine_) FlutterDesktopEngineDestroy(engine_);
  engine_ = nullptr;
  next_frame_callback_ = nullptr;
  messenger_.reset();
}

FlutterDesktopPluginRegistrarRef FlutterEngine::GetPluginRegistrar(const std::string& plugin_name) {
  if (engine_ == nullptr) {
    WriteStderrLine(kNoEngineForRegistrar);
    return nullptr;
  }
  return FlutterDesktopEngineGetPluginRegistrar(engine_, plugin_name.c_str());
}

void FlutterEngine::ReloadSystemFonts() { FlutterDesktopEngineReloadSystemFonts(engine_); }

void FlutterEngine::SetNextFrameCallback(std::function<void()> callback) {
  next_frame_callback_ = std::move(callback);
  FlutterDesktopEngineSetNextFrameCallback(engine_, &FlutterEngine::OnNextFrame, this);
}

BinaryMessenger* FlutterEngine::GetMessenger() { return messenger_.get(); }

FlutterDesktopEngineRef FlutterEngine::ReleaseEngineOwnership() {
  owns_engine_ = false;
  return engine_;
}

// static
void FlutterEngine::OnNextFrame(void* user_data) noexcept {
  RunAtCallbackBoundary([user_data] {
    auto* engine = static_cast<FlutterEngine*>(user_data);
    // Taken out before it runs, so that a callback that arms the next frame
    // or ends this engine object does not touch a callable that is running.
    std::function<void()> callback = std::move(engine->next_frame_callback_);
    engine->next_frame_callback_ = nullptr;
    if (callback) callback();
  });
}

}  // namespace flutter
