#include "embedding/method_call_channel.h"

#include <utility>

namespace flutter {

MethodCallChannel::MethodCallChannel(BinaryMessenger* messenger, std::string name,
                                     const MethodCodec* codec)
    : messenger_(messenger), name_(std::move(name)), codec_(codec) {}

MethodCallChannel::~MethodCallChannel() = default;

void MethodCallChannel::SetCallHandler(CallHandler handler) {
  if (!handler) {
    messenger_->SetChannelHandler(name_, nullptr);
    return;
  }
  messenger_->SetChannelHandler(name_, CallDispatcher(std::move(handler), codec_, name_));
}

}  // namespace flutter
