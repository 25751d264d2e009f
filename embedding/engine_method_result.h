// The MethodResult that encodes its answer with the channel's codec and
// sends it, once, as the reply to the incoming message.

#ifndef KESTRO_EMBEDDING_ENGINE_METHOD_RESULT_H_
#define KESTRO_EMBEDDING_ENGINE_METHOD_RESULT_H_

#include <memory>
#include <string>

#include "codec/encodable_value.h"
#include "codec/method_codec.h"
#include "codec/method_result.h"
#include "embedding/binary_messenger.h"
#include "embedding/reply_holder.h"

namespace flutter {

// Every answer is encoded first and then offered to the ReplyHolder, so a
// repeated Success or Error is still encoded before it is refused. Destroying
// the result unanswered writes a warning line and sends nothing.
class EngineMethodResult : public MethodResult {
 public:
  // `codec` is borrowed and must outlive this result (channel codecs live
  // for the whole run).
  EngineMethodResult(ReplyCallback reply, const MethodCodec* codec);
  ~EngineMethodResult() override;

  using MethodResult::Success;
  void Success(const EncodableValue* result) override;
  void Error(const std::string& code, const std::string& message,
             const EncodableValue* details) override;
  // Sends the empty reply.
  void NotImplemented() override;

 private:
  std::unique_ptr<ReplyHolder> reply_holder_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_ENGINE_METHOD_RESULT_H_
