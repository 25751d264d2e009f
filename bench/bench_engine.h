// A lean double of the engine library for timing the host's own part of a
// channel call (never shipped, never used by tests of the host).
//
// It defines every FlutterDesktop* function natively, like the recording fake
// engine of the tests, but keeps no log and makes no copy: Deliver hands the
// caller's bytes to the host's callback, and the one response the host sends
// is kept in a buffer that is reused from call to call. What it does count
// (responses, references and locks) are plain integers, so that a benchmark
// can still see that the host kept the engine's rules.
//
// One BenchEngine exists at a time; the FlutterDesktop* functions act on it.
// Everything runs on the thread that created it.

#ifndef KESTRO_BENCH_BENCH_ENGINE_H_
#define KESTRO_BENCH_BENCH_ENGINE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "embedding/flutter_desktop_api.h"

namespace kestro::bench {

class BenchEngine {
 public:
  // Installs this double as the one the FlutterDesktop* functions act on.
  BenchEngine();
  ~BenchEngine();

  BenchEngine(const BenchEngine&) = delete;
  BenchEngine& operator=(const BenchEngine&) = delete;

  // Delivers `message` on `channel` and returns the number of responses the
  // host sent for it during the call (one, for a well-behaved host); 0 also
  // when no callback is installed for the channel.
  int Deliver(const std::string& channel, const std::vector<uint8_t>& message);

  // The bytes of the latest response; valid until the next delivery.
  const std::vector<uint8_t>& last_response() const { return last_response_; }

  // Messenger references the host still holds, and locks it still holds.
  // Both are 0 between two deliveries of a host that keeps the rules.
  int host_references() const { return host_references_; }
  int held_locks() const { return held_locks_; }

  // Implementation of the FlutterDesktop* functions the road needs.
  FlutterDesktopEngineRef CreateEngine();
  FlutterDesktopViewControllerRef CreateViewController(FlutterDesktopEngineRef engine);
  void DestroyViewController();
  void SetCallback(const char* channel, FlutterDesktopMessageCallback callback, void* user_data);
  void SendResponse(const FlutterDesktopMessageResponse* handle, const uint8_t* data, size_t size);
  FlutterDesktopMessengerRef AddReference();
  void ReleaseReference() { --host_references_; }
  FlutterDesktopMessengerLockRef Lock();
  void Unlock() { --held_locks_; }

 private:
  struct Channel {
    std::string name;
    FlutterDesktopMessageCallback callback;
    void* user_data;
  };

  std::vector<Channel> channels_;
  std::vector<uint8_t> last_response_;
  int responses_ = 0;
  int host_references_ = 0;
  int held_locks_ = 0;
  bool engine_live_ = false;
};

}  // namespace kestro::bench

#endif  // KESTRO_BENCH_BENCH_ENGINE_H_
