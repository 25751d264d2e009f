// A counted reference to the engine's messenger, shared by every reply that
// may still answer one incoming message.

#ifndef KESTRO_EMBEDDING_SHARED_MESSENGER_H_
#define KESTRO_EMBEDDING_SHARED_MESSENGER_H_

#include <memory>

#include "embedding/flutter_desktop_api.h"

namespace flutter {

// Copies share one engine reference. The holder count is atomic, so copies
// may be dropped on any thread; when the last one goes,
// FlutterDesktopMessengerRelease is called once with the handle.
class SharedMessenger {
 public:
  // Takes a new engine reference on `messenger` (FlutterDesktopMessengerAddRef)
  // and shares the handle that call returns.
  static SharedMessenger Acquire(FlutterDesktopMessengerRef messenger);

  // The referenced handle; valid while any copy of this object lives.
  FlutterDesktopMessengerRef get() const { return messenger_.get(); }

 private:
  explicit SharedMessenger(FlutterDesktopMessengerRef referenced);

  std::shared_ptr<FlutterDesktopMessenger> messenger_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_SHARED_MESSENGER_H_
