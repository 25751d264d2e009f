#include "embedding/binary_messenger_impl.h"

#include <memory>
#include <utility>

#include "embedding/callback_boundary.h"

namespace flutter {

BinaryMessengerImpl::BinaryMessengerImpl(FlutterDesktopMessengerRef messenger)
    : messenger_(messenger) {}

BinaryMessengerImpl::~BinaryMessengerImpl() = default;

void BinaryMessengerImpl::Send(const std::string& channel, const uint8_t* message,
                               size_t message_size, ReplyCallback reply) const {
  if (!reply) {
    FlutterDesktopMessengerSend(messenger_, channel.c_str(), message, message_size);
    return;
  }
  auto holder = std::make_unique<ReplyCallback>(std::move(reply));
  if (FlutterDesktopMessengerSendWithReply(messenger_, channel.c_str(), message, message_size,
                                           &OnEngineReply, holder.get())) {
    // OnEngineReply frees the holder.
    holder.release();
  }
}

void BinaryMessengerImpl::SetChannelHandler(const std::string& channel, ChannelHandler handler) {
  if (!handler) {
    handlers_.erase(channel);
    FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), nullptr, nullptr);
    return;
  }
  ChannelHandler& stored = handlers_[channel];
  stored = std::move(handler);
  FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), &OnEngineMessage, &stored);
}

void OnEngineMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                     void* user_data) noexcept {
  RunAtCallbackBoundary([&] {
    auto& handler = *static_cast<ChannelHandler*>(user_data);
    // The sender takes over this function's hold on the reference: the
    // messenger is released when the last sender is gone.
    ReplyCallback reply =
        ResponseSender(SharedMessenger::Acquire(messenger), message->response_handle);
    handler(message->message, message->message_size, std::move(reply));
  });
}

void OnEngineReply(const uint8_t* data, size_t data_size, void* user_data) noexcept {
  RunAtCallbackBoundary([&] {
    std::unique_ptr<ReplyCallback> holder(static_cast<ReplyCallback*>(user_data));
    (*holder)(data, data_size);
  });
}

}  // namespace flutter
