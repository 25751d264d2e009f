// The reply callback made for each incoming message: it sends the one
// response the engine allows, under the engine's messenger lock.

#ifndef KESTRO_EMBEDDING_RESPONSE_SENDER_H_
#define KESTRO_EMBEDDING_RESPONSE_SENDER_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "embedding/flutter_desktop_api.h"
#include "embedding/shared_messenger.h"

namespace flutter {

// Answers one incoming message. It keeps the messenger referenced while it
// lives, so a late answer can still ask whether the engine is there.
//
// May be called on any thread: everything it does to the engine happens
// under the messenger lock. Copies share the messenger reference and the
// response handle, so all the copies of one sender together send at most one
// response; on its way to a handler it is only moved.
class ResponseSender {
 public:
  ResponseSender(SharedMessenger messenger, const FlutterDesktopMessageResponse* response_handle);

  // Sends `data` as the response when the engine is still available and no
  // copy of this sender has answered yet. A late answer (engine gone) is
  // dropped silently; any later answer writes an error line and sends
  // nothing.
  void operator()(const uint8_t* data, size_t data_size);

 private:
  // What the copies of one sender share. The first answer takes the handle.
  struct PendingResponse {
    PendingResponse(SharedMessenger messenger,
                    const FlutterDesktopMessageResponse* response_handle);

    SharedMessenger messenger;
    std::atomic<const FlutterDesktopMessageResponse*> response_handle;
  };

  std::shared_ptr<PendingResponse> pending_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_RESPONSE_SENDER_H_
