// A channel of method calls over a channel of bytes: decodes each incoming
// message with the channel's codec and hands it to the call handler.

#ifndef KESTRO_EMBEDDING_METHOD_CALL_CHANNEL_H_
#define KESTRO_EMBEDDING_METHOD_CALL_CHANNEL_H_

#include <string>

#include "codec/method_codec.h"
#include "embedding/binary_messenger.h"
#include "embedding/call_dispatcher.h"

namespace flutter {

// Receives calls only; it offers no way to call methods on the Dart side.
// Used on the UI thread.
class MethodCallChannel {
 public:
  // `messenger` and `codec` are borrowed; the messenger must outlive this
  // object and the codec must outlive the installed handler. Nothing is
  // registered until SetCallHandler.
  MethodCallChannel(BinaryMessenger* messenger, std::string name, const MethodCodec* codec);
  // Leaves any installed handler in the messenger: it keeps working.
  ~MethodCallChannel();

  MethodCallChannel(const MethodCallChannel&) = delete;
  MethodCallChannel& operator=(const MethodCallChannel&) = delete;

  // Installs `handler` for the channel's name, replacing any earlier one.
  // An empty handler removes the channel's handler from the messenger.
  void SetCallHandler(CallHandler handler);

 private:
  BinaryMessenger* messenger_;
  std::string name_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_METHOD_CALL_CHANNEL_H_
