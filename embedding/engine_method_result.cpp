#include "embedding/engine_method_result.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace flutter {

EngineMethodResult::EngineMethodResult(ReplyCallback reply, const MethodCodec* codec)
    : reply_holder_(std::make_unique<ReplyHolder>(std::move(reply))), codec_(codec) {}

EngineMethodResult::~EngineMethodResult() = default;

void EngineMethodResult::Success(const EncodableValue* result) {
  std::vector<uint8_t> reply = codec_->EncodeSuccessReply(result);
  reply_holder_->SendOnce(&reply);
}

void EngineMethodResult::Error(const std::string& code, const std::string& message,
                               const EncodableValue* details) {
  std::vector<uint8_t> reply = codec_->EncodeErrorReply(code, message, details);
  reply_holder_->SendOnce(&reply);
}

void EngineMethodResult::NotImplemented() { reply_holder_->SendOnce(nullptr); }

}  // namespace flutter
