// The BinaryMessenger over the engine's messenger handle: the table of
// channel handlers the engine calls into, and the two plain functions it
// calls back.

#ifndef KESTRO_EMBEDDING_BINARY_MESSENGER_IMPL_H_
#define KESTRO_EMBEDDING_BINARY_MESSENGER_IMPL_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "embedding/binary_messenger.h"
#include "embedding/flutter_desktop_api.h"
#include "embedding/response_sender.h"
#include "embedding/shared_messenger.h"

namespace flutter {

// One per engine, made over the handle FlutterDesktopEngineGetMessenger gave.
// The handle is borrowed: no engine reference is counted on it.
//
// Used on the UI thread only; the handler table has no lock. The engine must
// have ended before this object is destroyed, because the destructor does
// not tell the engine that the stored handlers are gone.
class BinaryMessengerImpl : public BinaryMessenger {
 public:
  explicit BinaryMessengerImpl(FlutterDesktopMessengerRef messenger);
  ~BinaryMessengerImpl() override;

  BinaryMessengerImpl(const BinaryMessengerImpl&) = delete;
  BinaryMessengerImpl& operator=(const BinaryMessengerImpl&) = delete;

  // With an empty `reply` the message is sent without asking for an answer.
  // Otherwise `reply` is called once with the answer, or never when the
  // engine refuses the message.
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            ReplyCallback reply) const override;

  // Stores `handler` under `channel` (an exact byte string) and points the
  // engine at it. Replacing a handler keeps its address, which the engine
  // holds. An empty handler erases the entry and clears the engine's
  // callback for the name, whether or not there was an entry.
  void SetChannelHandler(const std::string& channel, ChannelHandler handler) override;

 private:
  FlutterDesktopMessengerRef messenger_;
  // Node-based, so a stored handler stays at one address while its entry
  // exists. std::string orders names as unsigned bytes, shorter prefix first.
  std::map<std::string, ChannelHandler> handlers_;
};

// The two functions the engine calls back. Both are noexcept: an exception
// from a handler or a reply ends the process (std::terminate) instead of
// unwinding through the engine library's frames.
//
// Called by the engine for each message on a channel with a stored handler
// (`user_data`). Wraps the message's response handle in a ResponseSender
// that holds a new messenger reference, and hands the message bytes (not
// copied) and that sender to the handler.
void OnEngineMessage(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                     void* user_data) noexcept;

// Called by the engine once with the answer to a message sent by
// BinaryMessengerImpl::Send. Calls the held reply and frees its holder
// (`user_data`).
void OnEngineReply(const uint8_t* data, size_t data_size, void* user_data) noexcept;

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_BINARY_MESSENGER_IMPL_H_
