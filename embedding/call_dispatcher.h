// The channel handler a method channel installs: decodes each message into a
// method call and hands it, with a fresh result, to the call handler.

#ifndef KESTRO_EMBEDDING_CALL_DISPATCHER_H_
#define KESTRO_EMBEDDING_CALL_DISPATCHER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "codec/method_call.h"
#include "codec/method_codec.h"
#include "codec/method_result.h"
#include "embedding/binary_messenger.h"

namespace flutter {

// Receives each decoded call and the sole ownership of its result. The call
// is valid only during the handler call; the result is the handler's to
// answer and destroy. May be empty.
using CallHandler = std::function<void(const MethodCall& call, std::unique_ptr<MethodResult>)>;

// A ChannelHandler that holds its own copies of the call handler and the
// channel name, so it stays valid in the messenger after the channel object
// that installed it is gone. The codec is borrowed and lives for the run.
class CallDispatcher {
 public:
  CallDispatcher(CallHandler handler, const MethodCodec* codec, std::string channel_name);

  // A message that is not a method call is answered as not implemented,
  // after a line naming the channel, and the call handler is not called.
  void operator()(const uint8_t* message, size_t message_size, ReplyCallback reply) const;

 private:
  CallHandler handler_;
  const MethodCodec* codec_;
  std::string channel_name_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_CALL_DISPATCHER_H_
