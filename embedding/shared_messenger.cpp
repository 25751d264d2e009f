#include "embedding/shared_messenger.h"

namespace flutter {
namespace {

// A null handle carries no engine reference, so there is nothing to release.
void ReleaseMessenger(FlutterDesktopMessengerRef messenger) {
  if (messenger != nullptr) FlutterDesktopMessengerRelease(messenger);
}

}  // namespace

// static
SharedMessenger SharedMessenger::Acquire(FlutterDesktopMessengerRef messenger) {
  return SharedMessenger(FlutterDesktopMessengerAddRef(messenger));
}

SharedMessenger::SharedMessenger(FlutterDesktopMessengerRef referenced)
    : messenger_(referenced, &ReleaseMessenger) {}

}  // namespace flutter
