// The objects behind the stand-in engine library's handles: the engine, which
// runs the stand-in app (AppPlayer) in a view window and carries its traffic
// over the messenger; the view controller, which owns the engine once it has
// been handed over; the view; and the plugin registrars.

#ifndef KESTRO_STANDINS_ENGINE_ENGINE_WIN_H_
#define KESTRO_STANDINS_ENGINE_ENGINE_WIN_H_

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "embedding/flutter_desktop_api.h"
#include "standins/app/app_options.h"
#include "standins/app/app_player.h"
#include "standins/app/transcript.h"
#include "standins/engine/messenger_core.h"
#include "standins/engine/task_queue_win.h"
#include "standins/engine/view_window_win.h"

struct FlutterDesktopPluginRegistrar {
  FlutterDesktopEngine* engine;
  std::string plugin_name;
};

struct FlutterDesktopEngine final : public kestro::standin::AppEnvironment {
 public:
  // Copies what the properties point at. Must run on the UI thread.
  explicit FlutterDesktopEngine(const FlutterDesktopEngineProperties& properties);
  // Ends the app (without a "closing" line when it never ran), detaches and
  // releases the messenger, and forgets the registrars.
  ~FlutterDesktopEngine() override;

  FlutterDesktopEngine(const FlutterDesktopEngine&) = delete;
  FlutterDesktopEngine& operator=(const FlutterDesktopEngine&) = delete;

  FlutterDesktopMessenger* messenger() const { return messenger_; }
  const kestro::standin::AppOptions& options() const { return options_; }
  // The registrar of `plugin_name`, made on the first request.
  FlutterDesktopPluginRegistrar* RegistrarFor(const std::string& plugin_name);
  void SetNextFrameCallback(FlutterDesktopOnNextFrame callback, void* user_data);
  void ReloadSystemFonts() { ++font_reloads_; }
  int font_reloads() const { return font_reloads_; }
  int frames() const { return frames_; }

  // Starts the app in a view of `width` x `height` pixels; returns the view's
  // window.
  HWND Run(int width, int height);
  // Renders a frame soon, then runs the next-frame callback: at once for the
  // first frame and when the last one is a display refresh ago, else at the
  // next refresh. Requests in between are one frame.
  void RequestFrame();
  // Watches the host's top-level window messages; true when it answered.
  bool HandleTopLevelMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                             LRESULT* result);
  // The view controller is going: the app writes its "closing" line and the
  // view window goes. Only the first call does anything.
  void Stop();

  // kestro::standin::AppEnvironment
  bool SendToHost(uint64_t id, const std::string& channel,
                  const std::vector<uint8_t>& message) override;
  void ArmReplyTimeout(uint64_t id, int delay_ms) override;
  void Redraw() override;
  void CloseWindow(int delay_ms) override;
  double MillisecondsSinceStart() override;

 private:
  bool TakeOutgoing(const std::string& channel, std::vector<uint8_t> message,
                    FlutterDesktopBinaryReply reply, void* reply_data);
  void RenderFrame();
  kestro::standin::StartFacts CollectStartFacts(bool visible_before_frame,
                                                double first_frame_ms) const;

  std::u16string assets_path_;
  std::u16string icu_data_path_;
  std::u16string aot_library_path_;
  std::vector<std::string> arguments_;
  kestro::standin::AppOptions options_;
  std::unique_ptr<kestro::standin::TaskQueue> tasks_;
  FlutterDesktopMessenger* messenger_;
  std::map<std::string, std::unique_ptr<FlutterDesktopPluginRegistrar>> registrars_;
  FlutterDesktopOnNextFrame next_frame_ = nullptr;
  void* next_frame_data_ = nullptr;
  int font_reloads_ = 0;
  int frames_ = 0;
  bool frame_pending_ = false;
  double last_frame_ms_ = 0;
  bool first_frame_seen_ = false;
  bool shown_before_frame_ = false;
  bool stopped_ = false;
  int view_width_ = 0;
  int view_height_ = 0;
  std::unique_ptr<kestro::standin::AppPlayer> app_;
  std::unique_ptr<kestro::standin::ViewWindow> view_;
};

struct FlutterDesktopView {
  HWND window = nullptr;
};

struct FlutterDesktopViewController {
  std::unique_ptr<FlutterDesktopEngine> engine;
  FlutterDesktopView view;
};

namespace kestro::standin {

// The plugin registrations noted so far in this process, in order.
std::vector<PluginRecord>& PluginRecords();
// Whether `registrar` is one that a live engine handed out.
bool IsLiveRegistrar(const FlutterDesktopPluginRegistrar* registrar);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_ENGINE_ENGINE_WIN_H_
