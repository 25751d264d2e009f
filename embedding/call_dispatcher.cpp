#include "embedding/call_dispatcher.h"

#include <utility>

#include "codec/stderr_line.h"
#include "embedding/engine_method_result.h"

namespace flutter {
namespace {

constexpr char kUndecodableCall[] = "Unable to construct method call from message on channel ";

}  // namespace

CallDispatcher::CallDispatcher(CallHandler handler, const MethodCodec* codec,
                               std::string channel_name)
    : handler_(std::move(handler)), codec_(codec), channel_name_(std::move(channel_name)) {}

void CallDispatcher::operator()(const uint8_t* message, size_t message_size,
                                ReplyCallback reply) const {
  auto result = std::make_unique<EngineMethodResult>(std::move(reply), codec_);
  std::unique_ptr<MethodCall> call = codec_->DecodeCall(message, message_size);
  if (!call) {
    WriteStderrLine(kUndecodableCall + channel_name_);
    result->NotImplemented();
    return;
  }
  handler_(*call, std::move(result));
}

}  // namespace flutter
