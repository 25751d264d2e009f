#include "standins/app/wire.h"

#include <memory>
#include <utility>

#include "codec/method_call.h"
#include "codec/standard_method_codec.h"
#include "text/hex.h"
#include "value_notation/message_notation.h"
#include "value_notation/value_notation.h"

namespace kestro::standin {
namespace {

using flutter::EncodableValue;

ReplyView::Kind KindOf(notation::Reply::Kind kind) {
  switch (kind) {
    case notation::Reply::Kind::kSuccess:
      return ReplyView::Kind::kSuccess;
    case notation::Reply::Kind::kError:
      return ReplyView::Kind::kError;
    case notation::Reply::Kind::kNotImplemented:
      break;
  }
  return ReplyView::Kind::kNotImplemented;
}

}  // namespace

std::vector<uint8_t> EncodeMethodCall(const std::string& method, const EncodableValue* arguments) {
  flutter::MethodCall call(method,
                           arguments ? std::make_unique<EncodableValue>(*arguments) : nullptr);
  return flutter::CodecForSerializer().EncodeCall(call);
}

ReplyView DescribeReply(const std::vector<uint8_t>& reply) {
  ReplyView view;
  std::optional<notation::Reply> decoded =
      notation::DecodeReply(reply.data(), reply.size(), flutter::CodecForSerializer());
  std::optional<nlohmann::json> description;
  if (decoded) description = notation::ReplyToJson(*decoded);
  if (!description) {
    view.description = Json{{"undecodable", true}};
    return view;
  }
  view.kind = KindOf(decoded->kind);
  view.value = view.kind == ReplyView::Kind::kError ? decoded->details : decoded->result;
  view.error_code = decoded->code;
  view.error_message = decoded->message;
  view.description = std::move(*description);
  return view;
}

NotationRead ValueFromNotation(const Json& json) {
  NotationRead read;
  read.value = notation::ValueFromJson(json, &read.error);
  return read;
}

Json NotationFromValue(const EncodableValue& value) {
  std::string error;
  std::optional<nlohmann::json> json = notation::ValueToJson(value, &error);
  // Only a custom value has no notation, and none arrives from the wire.
  return json ? std::move(*json) : Json{{"unshowable", error}};
}

std::string ToHex(const std::vector<uint8_t>& bytes) { return text::ToHex(bytes); }

std::optional<std::vector<uint8_t>> FromHex(const std::string& text) {
  return text::ParseHex(text);
}

}  // namespace kestro::standin
