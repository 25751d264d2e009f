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

ResponseSender::PendingResponse::PendingResponse(
    SharedMessenger messenger, const FlutterDesktopMessageResponse* response_handle)
    : messenger(std::move(messenger)), response_handle(response_handle) {}

ResponseSender::ResponseSender(SharedMessenger messenger,
                               const FlutterDesktopMessageResponse* response_handle)
    : pending_(std::make_shared<PendingResponse>(std::move(messenger), response_handle)) {}

void ResponseSender::operator()(const uint8_t* data, size_t data_size) {
  FlutterDesktopMessengerRef messenger = pending_->messenger.get();
  ScopedMessengerLock lock(messenger);
  if (!FlutterDesktopMessengerIsAvailable(messenger)) return;
  // Taken, not read: a copy answering at the same time finds it gone. The
  // exchange keeps that true even when the engine hands out a null lock.
  const FlutterDesktopMessageResponse* response_handle =
      pending_->response_handle.exchange(nullptr);
  if (response_handle == nullptr) {
    WriteStderrLine(kDuplicateResponse);
    return;
  }
  FlutterDesktopMessengerSendResponse(messenger, response_handle, data, data_size);
}

}  // namespace flutter
