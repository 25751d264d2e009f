#include "embedding/response_sender.h"

#include <utility>

#include "codec/stderr_line.h"

namespace flutter {
namespace {

constexpr char kDuplicateResponse[] =
    "Error: Response can be set only once. Ignoring duplicate response.";

// Holds the engine's messenger lock for one scope. The engine may hand out a
// null lock, which is never unlocked.
class ScopedMessengerLock {
 public:
  explicit ScopedMessengerLock(FlutterDesktopMessengerRef messenger)
      : lock_(FlutterDesktopMessengerLock(messenger)) {}
  ~ScopedMessengerLock() {
    if (lock_ != nullptr) FlutterDesktopMessengerUnlock(lock_);
  }

  ScopedMessengerLock(const ScopedMessengerLock&) = delete;
  ScopedMessengerLock& operator=(const ScopedMessengerLock&) = delete;

 private:
  FlutterDesktopMessengerLockRef lock_;
};

}  // namespace

ResponseSender::ResponseSender(SharedMessenger messenger,
                               const FlutterDesktopMessageResponse* response_handle)
    : messenger_(std::move(messenger)), response_handle_(response_handle) {}

void ResponseSender::operator()(const uint8_t* data, size_t data_size) {
  FlutterDesktopMessengerRef messenger = messenger_.get();
  ScopedMessengerLock lock(messenger);
  if (!FlutterDesktopMessengerIsAvailable(messenger)) return;
  if (response_handle_ == nullptr) {
    WriteStderrLine(kDuplicateResponse);
    return;
  }
  FlutterDesktopMessengerSendResponse(messenger, response_handle_, data, data_size);
  response_handle_ = nullptr;
}

}  // namespace flutter
