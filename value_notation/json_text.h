// JSON text in and out for the tools, with errors as values.

#ifndef KESTRO_VALUE_NOTATION_JSON_TEXT_H_
#define KESTRO_VALUE_NOTATION_JSON_TEXT_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kestro::notation {

// The JSON document in `text`, or none when it is not JSON; `*error` (when
// given) then says what is wrong and where. Three things that a JSON parser
// would let pass are errors too, with the place as a path such as $.a[2]: an
// integer beyond the 64-bit range (rather than silently becoming a double), a
// number beyond the range of a double, and an object that names a member
// twice (rather than silently keeping the last).
std::optional<nlohmann::json> ParseJson(std::string_view text, std::string* error = nullptr);

// `json` on one line, without spaces, strings in UTF-8.
std::string DumpJson(const nlohmann::json& json);

}  // namespace kestro::notation

#endif  // KESTRO_VALUE_NOTATION_JSON_TEXT_H_
