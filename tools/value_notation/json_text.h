// JSON text in and out for the tools, with errors as values.

#ifndef KESTRO_TOOLS_VALUE_NOTATION_JSON_TEXT_H_
#define KESTRO_TOOLS_VALUE_NOTATION_JSON_TEXT_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kestro::notation {

// The JSON document in `text`, or none when it is not JSON; `*error` (when
// given) then says what is wrong and where. An integer beyond the 64-bit
// range is an error too, rather than silently becoming a double.
std::optional<nlohmann::json> ParseJson(std::string_view text, std::string* error = nullptr);

// `json` on one line, without spaces, strings in UTF-8.
std::string DumpJson(const nlohmann::json& json);

}  // namespace kestro::notation

#endif  // KESTRO_TOOLS_VALUE_NOTATION_JSON_TEXT_H_
