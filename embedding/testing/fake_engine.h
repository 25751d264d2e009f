// A recording fake of the engine library for native tests (never shipped).
//
// It defines every FlutterDesktop* function natively. Each call is recorded
// as one readable line ("FlutterDesktopViewControllerCreate(800, 600,
// engine#1)"), handles are named by kind and number, and the engine's rules
// are checked as the host uses them: every lock taken is released on its
// thread, every messenger reference is released, a response handle is used
// once and only under the lock, and nothing is used after it has ended.
// Knobs make any call fail or answer differently.
//
// One FakeEngine exists at a time; the FlutterDesktop* functions act on it.
// Message delivery and the messenger functions may be called from several
// threads, like the real library's; everything else belongs to the test's
// thread.

#ifndef KESTRO_EMBEDDING_TESTING_FAKE_ENGINE_H_
#define KESTRO_EMBEDDING_TESTING_FAKE_ENGINE_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "embedding/flutter_desktop_api.h"

namespace kestro_testing {

// A copy of what FlutterDesktopEngineCreate was given.
struct RecordedEngineProperties {
  std::u16string assets_path;
  std::u16string icu_data_path;
  std::u16string aot_library_path;
  bool dart_entrypoint_is_null = false;
  std::string dart_entrypoint;
  int32_t dart_entrypoint_argc = 0;
  bool dart_entrypoint_argv_is_null = false;
  std::vector<std::string> dart_entrypoint_argv;
  int32_t option_a = 0;
  int32_t option_b = 0;
};

// A message the host sent to the Dart side.
struct SentMessage {
  std::string channel;
  std::vector<uint8_t> message;
  bool with_reply = false;
};

class FakeEngine {
 public:
  // Installs this fake as the one the FlutterDesktop* functions act on.
  FakeEngine();
  ~FakeEngine();

  FakeEngine(const FakeEngine&) = delete;
  FakeEngine& operator=(const FakeEngine&) = delete;

  // The installed fake; aborts when there is none.
  static FakeEngine& Current();

  // Knobs. Each holds until it is changed.
  // Off: calls are not recorded (rule checks still run). For tight loops.
  void set_recording(bool recording) { recording_ = recording; }
  void set_fail_engine_create(bool fail) { fail_engine_create_ = fail; }
  void set_fail_view_controller_create(bool fail) { fail_view_controller_create_ = fail; }
  void set_refuse_send_with_reply(bool refuse) { refuse_send_with_reply_ = refuse; }
  // FlutterDesktopMessengerLock returns null and locks nothing.
  void set_null_lock(bool null_lock) { null_lock_ = null_lock; }
  void set_null_registrars(bool null_registrars) { null_registrars_ = null_registrars; }
  // Present: top-level window messages are handled with this LRESULT.
  void set_window_proc_answer(std::optional<LRESULT> answer) { window_proc_answer_ = answer; }
  void set_dpi(UINT dpi) { dpi_ = dpi; }
  // On: RenderFrame keeps each next-frame callback and calls it on every
  // frame, like an engine that calls it more than once.
  void set_repeat_next_frame(bool repeat) { repeat_next_frame_ = repeat; }
  // The newest live engine's messenger reports this availability, as when
  // the engine has gone without the host being told.
  void SetMessengerAvailable(bool available);

  // Driving the fake like the engine does.
  //
  // Delivers `message` on `channel` of the newest live engine and returns
  // the message's number, or 0 when no callback is installed for the
  // channel. The bytes are freed when delivery returns.
  int DeliverMessage(const std::string& channel, const std::vector<uint8_t>& message);
  // Every response the host sent for message `message_number`, in order.
  std::vector<std::vector<uint8_t>> ResponsesTo(int message_number) const;
  // Forgets every delivered message. REQUIRES: no reply of the host still
  // holds one of their response handles.
  void ForgetDeliveredMessages();
  // Runs, once, the pending next-frame callback of every live engine.
  void RenderFrame();
  // Answers sent message `index` (0-based) that asked for a reply. False
  // when there is no such message or it was answered already.
  bool AnswerSentMessage(size_t index, const std::vector<uint8_t>& reply);
  std::vector<SentMessage> sent_messages() const;

  // Observation.
  std::vector<std::string> calls() const;
  void ClearCalls();
  // Adds `line` to the call log (when recording), to mark a point in a test.
  void Note(const std::string& line);
  // A token that notes `line` in the call log when its last copy is
  // destroyed, so a test can see when a captured object is dropped.
  std::shared_ptr<int> DropMarker(const std::string& line);
  const RecordedEngineProperties& last_engine_properties() const { return last_properties_; }
  // The user data stored for `channel` on the newest live engine, or null.
  void* CallbackUserData(const std::string& channel) const;
  int live_engine_count() const;
  // Broken rules, unreleased messenger references and locks still held. A
  // clean run has none.
  std::vector<std::string> Problems() const;

  // Implementation of the FlutterDesktop* functions, in their order in the
  // engine interface header.
  FlutterDesktopEngineRef EngineCreate(const FlutterDesktopEngineProperties* properties);
  bool EngineDestroy(FlutterDesktopEngineRef engine);
  FlutterDesktopMessengerRef EngineGetMessenger(FlutterDesktopEngineRef engine);
  FlutterDesktopPluginRegistrarRef EngineGetPluginRegistrar(FlutterDesktopEngineRef engine,
                                                            const char* plugin_name);
  void EngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                  FlutterDesktopOnNextFrame callback, void* user_data);
  void EngineReloadSystemFonts(FlutterDesktopEngineRef engine);
  FlutterDesktopViewControllerRef ViewControllerCreate(int width, int height,
                                                       FlutterDesktopEngineRef engine);
  void ViewControllerDestroy(FlutterDesktopViewControllerRef controller);
  FlutterDesktopViewRef ViewControllerGetView(FlutterDesktopViewControllerRef controller);
  void ViewControllerForceRedraw(FlutterDesktopViewControllerRef controller);
  bool ViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef controller, HWND hwnd,
                                              UINT message, WPARAM wparam, LPARAM lparam,
                                              LRESULT* result);
  HWND ViewGetHWND(FlutterDesktopViewRef view);
  UINT GetDpiForMonitor(HMONITOR monitor);
  void ResyncOutputStreams();
  void MessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                            FlutterDesktopMessageCallback callback, void* user_data);
  bool MessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                     const uint8_t* message, size_t message_size);
  bool MessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                              const uint8_t* message, size_t message_size,
                              FlutterDesktopBinaryReply reply, void* user_data);
  void MessengerSendResponse(FlutterDesktopMessengerRef messenger,
                             const FlutterDesktopMessageResponse* handle, const uint8_t* data,
                             size_t data_length);
  FlutterDesktopMessengerRef MessengerAddRef(FlutterDesktopMessengerRef messenger);
  void MessengerRelease(FlutterDesktopMessengerRef messenger);
  bool MessengerIsAvailable(FlutterDesktopMessengerRef messenger);
  FlutterDesktopMessengerLockRef MessengerLock(FlutterDesktopMessengerRef messenger);
  void MessengerUnlock(FlutterDesktopMessengerLockRef lock);

 private:
  struct State;

  template <typename... Args>
  void Record(const char* function, const Args&... args);
  void Violation(std::string what);
  // True, with a violation, when `function` was given a null `handle` (a
  // `kind` such as "messenger").
  bool GivenNull(const void* handle, const char* function, const char* kind);
  // Keeps a message the host sent, for sent_messages() and AnswerSentMessage.
  void KeepSent(const char* channel, const uint8_t* message, size_t message_size,
                FlutterDesktopBinaryReply reply, void* user_data, bool with_reply);
  // Checks that `engine` is live for `function`; false (and a violation)
  // when it has ended. Null passes: the host hands absent handles on.
  bool CheckLive(FlutterDesktopEngineRef engine, const char* function);
  bool CheckLive(FlutterDesktopViewControllerRef controller, const char* function);
  // Checks that the host still holds a reference on `messenger`.
  void CheckReferenced(FlutterDesktopMessengerRef messenger, const char* function);
  void EndEngine(FlutterDesktopEngineRef engine);
  FlutterDesktopEngineRef NewestLiveEngine() const;

  std::atomic<bool> recording_{true};
  std::atomic<bool> fail_engine_create_{false};
  std::atomic<bool> fail_view_controller_create_{false};
  std::atomic<bool> refuse_send_with_reply_{false};
  std::atomic<bool> null_lock_{false};
  std::atomic<bool> null_registrars_{false};
  std::optional<LRESULT> window_proc_answer_;
  UINT dpi_ = 96;
  bool repeat_next_frame_ = false;
  RecordedEngineProperties last_properties_;
  std::atomic<long> host_references_{0};

  // Guards the call log, the violations and the response records.
  mutable std::mutex mutex_;
  std::unique_ptr<State> state_;
};

}  // namespace kestro_testing

#endif  // KESTRO_EMBEDDING_TESTING_FAKE_ENGINE_H_
