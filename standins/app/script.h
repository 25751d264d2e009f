// The requests of a stand-in app script: JSON Lines, each one of
//
//   {"method": NAME, "arguments": VALUE}   a method call; "arguments" may
//                                          be left out (the call then has
//                                          none)
//   {"raw": HEX}                           these exact bytes
//
// with an optional "channel" (default "kestro/cash_drawer") and an optional
// "note" that is only carried along. Values are in the value notation. Blank
// lines are skipped.

#ifndef KESTRO_STANDINS_APP_SCRIPT_H_
#define KESTRO_STANDINS_APP_SCRIPT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codec/encodable_value.h"
#include "standins/app/wire.h"

namespace kestro::standin {

inline constexpr char kDefaultChannel[] = "kestro/cash_drawer";

struct ScriptRequest {
  Json line;  // the line as written
  std::string channel;
  std::vector<uint8_t> message;
  std::string method;                                // empty for raw bytes
  std::optional<flutter::EncodableValue> arguments;  // absent when none given
};

struct Script {
  std::vector<ScriptRequest> requests;
  // Empty when every line was read; else "line N: why". A script with an
  // error has no requests at all.
  std::string error;
};

// Reads a whole script from its text.
Script ParseScript(const std::string& text);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_SCRIPT_H_
