// The stand-in engine's messenger: the object behind FlutterDesktopMessengerRef.
//
// It holds one callback per channel, a reference count, the messenger lock,
// the availability flag and the response handles of the messages it
// delivered. The engine owns one reference; the host may take more with
// FlutterDesktopMessengerAddRef. Answers are handed to a sink that the
// engine installs, and that is cleared when the engine goes, after which the
// messenger reports itself unavailable and drops every answer.

#ifndef KESTRO_STANDINS_ENGINE_MESSENGER_CORE_H_
#define KESTRO_STANDINS_ENGINE_MESSENGER_CORE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "embedding/flutter_desktop_api.h"

// One incoming message's response handle. Used at most once.
struct FlutterDesktopMessageResponse {
  uint64_t message_id = 0;
  bool used = false;
};

struct FlutterDesktopMessenger {
 public:
  // Receives the host's answer to the message `message_id`. May be called on
  // any thread that answers, with the messenger lock held.
  using ResponseSink = std::function<void(uint64_t message_id, std::vector<uint8_t> reply)>;
  // Receives a message that the host sends to the app on its own. Returns
  // whether the message was taken; `reply`, when not null, must then be
  // called once later with `reply_data`.
  using OutgoingSink = std::function<bool(const std::string& channel, std::vector<uint8_t> message,
                                          FlutterDesktopBinaryReply reply, void* reply_data)>;

  // A new messenger with one reference, available, with no sink.
  static FlutterDesktopMessenger* Create();

  FlutterDesktopMessenger(const FlutterDesktopMessenger&) = delete;
  FlutterDesktopMessenger& operator=(const FlutterDesktopMessenger&) = delete;

  // Adds a reference and returns this messenger.
  FlutterDesktopMessenger* AddRef();
  // Drops a reference; the last one deletes the messenger.
  void Release();
  int reference_count() const { return references_.load(); }

  // Installs `callback` for `channel`, or removes it when `callback` is null.
  // UI thread only.
  void SetCallback(const std::string& channel, FlutterDesktopMessageCallback callback,
                   void* user_data);
  bool HasCallback(const std::string& channel) const;

  // Hands `size` bytes to the callback of `channel` with a fresh response
  // handle tagged `message_id`. Returns false, calling nothing, when the
  // channel has no callback. UI thread only; no lock is held during the call.
  bool Deliver(const std::string& channel, const uint8_t* bytes, size_t size, uint64_t message_id);

  // The host's answer through `handle`. A handle that this messenger did not
  // give out is ignored; a second answer through one handle is counted and
  // reported on standard error, and never reaches the sink.
  void SendResponse(const FlutterDesktopMessageResponse* handle, const uint8_t* data, size_t size);

  // A message from the host to the app. Returns false, and never replies,
  // when the messenger is unavailable.
  bool SendFromHost(const std::string& channel, const uint8_t* bytes, size_t size,
                    FlutterDesktopBinaryReply reply, void* reply_data);

  // The messenger lock. It is recursive, so a response sent while the lock is
  // held takes it again without blocking.
  FlutterDesktopMessenger* Lock();
  void Unlock();

  bool IsAvailable() const;
  // Installs the sinks and makes the messenger available.
  void Attach(ResponseSink responses, OutgoingSink outgoing);
  // Clears the sink and makes the messenger unavailable, for good.
  void Detach();

  int duplicate_responses() const;
  int foreign_responses() const;

 private:
  struct Callback {
    FlutterDesktopMessageCallback function = nullptr;
    void* user_data = nullptr;
  };

  FlutterDesktopMessenger() = default;
  ~FlutterDesktopMessenger() = default;

  std::atomic<int> references_{1};
  mutable std::recursive_mutex mutex_;
  bool available_ = true;
  ResponseSink sink_;
  OutgoingSink outgoing_;
  std::map<std::string, Callback> callbacks_;
  std::set<const FlutterDesktopMessageResponse*> issued_;
  std::vector<std::unique_ptr<FlutterDesktopMessageResponse>> responses_;
  int duplicate_responses_ = 0;
  int foreign_responses_ = 0;
};

#endif  // KESTRO_STANDINS_ENGINE_MESSENGER_CORE_H_
