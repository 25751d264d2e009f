// Channel values as JSON, in the notation every tool shares.
//
// Kinds that plain JSON would blur are tagged: {"$int64": 5}, {"$double":
// "NaN"}, {"$stringHex": "c328"}, {"$uint8": "1b70"}, {"$int32s": [..]},
// {"$int64s": [..]}, {"$float64s": [..]}, {"$float32s": [..]} and
// {"$map": [[key, value], ..]}. A plain JSON integer is a 32-bit integer (a
// 64-bit one when it does not fit), a number with a fraction or an exponent
// a double, an array a list, and any other object a map with string keys.
// Output always reads back to the same value; see the project README.

#ifndef KESTRO_VALUE_NOTATION_VALUE_NOTATION_H_
#define KESTRO_VALUE_NOTATION_VALUE_NOTATION_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "codec/encodable_value.h"

namespace kestro::notation {

// `value` in the notation, or none when it holds a custom value, which the
// notation cannot show; `*error` then says where. `where` names the place of
// `value` itself in that message: the path of the rest starts from it.
std::optional<nlohmann::json> ValueToJson(const flutter::EncodableValue& value,
                                          std::string* error = nullptr,
                                          std::string_view where = "$");

// The value that `json` denotes, or none when it is not valid notation;
// `*error` (when given) then says what is wrong and where, as a path such as
// $.arguments.pin or $[2]. Nesting deeper than the codec's own limit is an
// error too. `where` names the place of `json` itself, as for ValueToJson.
std::optional<flutter::EncodableValue> ValueFromJson(const nlohmann::json& json,
                                                     std::string* error = nullptr,
                                                     std::string_view where = "$");

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF); only such strings are shown as JSON strings.
bool IsValidUtf8(const std::string& text);

}  // namespace kestro::notation

#endif  // KESTRO_VALUE_NOTATION_VALUE_NOTATION_H_
