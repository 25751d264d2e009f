// How the stand-in app reads and writes channel traffic: method calls
// encoded with the standard method codec, replies decoded and described in
// the value notation, and bytes shown as hex.

#ifndef KESTRO_STANDINS_APP_WIRE_H_
#define KESTRO_STANDINS_APP_WIRE_H_

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"

namespace kestro::standin {

using Json = nlohmann::json;

// The bytes of a call of `method` with `arguments` (null when absent).
std::vector<uint8_t> EncodeMethodCall(const std::string& method,
                                      const flutter::EncodableValue* arguments);

// What one reply said.
struct ReplyView {
  enum class Kind { kSuccess, kError, kNotImplemented, kUndecodable };
  Kind kind = Kind::kUndecodable;
  flutter::EncodableValue value;  // the success value, or the error details
  std::string error_code;
  std::string error_message;
  // {"success": v} | {"error": {...}} | {"notImplemented": true} |
  // {"undecodable": true}, values in the notation.
  Json description;
};

// Decodes and describes a reply. Zero bytes are "not implemented".
ReplyView DescribeReply(const std::vector<uint8_t>& reply);

// A value read from the notation, or an explanation of why it is not one.
struct NotationRead {
  std::optional<flutter::EncodableValue> value;
  std::string error;
};
NotationRead ValueFromNotation(const Json& json);
Json NotationFromValue(const flutter::EncodableValue& value);

// Lower-case hex, two digits a byte.
std::string ToHex(const std::vector<uint8_t>& bytes);
// Reads hex in either case, blanks allowed between bytes; nullopt when the
// text is not whole bytes of hex.
std::optional<std::vector<uint8_t>> FromHex(const std::string& text);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_WIRE_H_
