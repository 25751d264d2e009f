// The byte-level link to the Dart app: named channels of uninterpreted bytes.

#ifndef KESTRO_EMBEDDING_BINARY_MESSENGER_H_
#define KESTRO_EMBEDDING_BINARY_MESSENGER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace flutter {

// Receives the reply to a message: bytes (may be null) and their count.
using ReplyCallback = std::function<void(const uint8_t* reply, size_t reply_size)>;

// Receives one incoming message and the callback that answers it once. The
// bytes are valid only during the call.
using ChannelHandler =
    std::function<void(const uint8_t* message, size_t message_size, ReplyCallback reply)>;

class BinaryMessenger {
 public:
  virtual ~BinaryMessenger() = default;

  // Sends `message` on `channel`; `reply`, when not empty, receives the answer.
  virtual void Send(const std::string& channel, const uint8_t* message, size_t message_size,
                    ReplyCallback reply) const = 0;

  // Installs `handler` for messages on `channel`, replacing any earlier one.
  // An empty handler removes the channel's handler.
  virtual void SetChannelHandler(const std::string& channel, ChannelHandler handler) = 0;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_BINARY_MESSENGER_H_
