// Method calls and replies in the value notation, and replies as bytes.
//
//   call:            {"method": "openDrawer", "arguments": {...}}
//   success reply:   {"success": value}
//   error reply:     {"error": {"code": "..", "message": "..", "details": value}}
//   no reply bytes:  {"notImplemented": true}

#ifndef KESTRO_VALUE_NOTATION_MESSAGE_NOTATION_H_
#define KESTRO_VALUE_NOTATION_MESSAGE_NOTATION_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"
#include "codec/method_call.h"
#include "codec/method_codec.h"

namespace kestro::notation {

// One answer to a method call, as it travels.
struct Reply {
  enum class Kind { kSuccess, kError, kNotImplemented };

  Kind kind = Kind::kNotImplemented;
  flutter::EncodableValue result;   // kSuccess; null when there is none
  std::string code;                 // kError
  std::string message;              // kError; empty travels as null
  flutter::EncodableValue details;  // kError; null when there are none
};

// The call in the notation. Fails (none, with `*error`) only when the
// argument holds a custom value. A call without argument shows null.
std::optional<nlohmann::json> CallToJson(const flutter::MethodCall& call,
                                         std::string* error = nullptr);

// The call `json` denotes: an object with "method" (a string) and, unless
// it is null, "arguments". None, with `*error` saying what and where, for
// anything else. The call always carries an argument, possibly null.
std::unique_ptr<flutter::MethodCall> CallFromJson(const nlohmann::json& json,
                                                  std::string* error = nullptr);

std::optional<nlohmann::json> ReplyToJson(const Reply& reply, std::string* error = nullptr);
std::optional<Reply> ReplyFromJson(const nlohmann::json& json, std::string* error = nullptr);

// The reply's bytes: empty for kNotImplemented, else as `codec` encodes it.
std::vector<uint8_t> EncodeReply(const Reply& reply, const flutter::MethodCodec& codec);

// The reply held by `size` bytes: kNotImplemented for none, else what
// `codec` decodes; none when the bytes are not a reply.
std::optional<Reply> DecodeReply(const uint8_t* bytes, size_t size,
                                 const flutter::MethodCodec& codec);

}  // namespace kestro::notation

#endif  // KESTRO_VALUE_NOTATION_MESSAGE_NOTATION_H_
