// Bytes shown as hexadecimal text, as the tools, the stand-in app and the
// tests write and read them.
//
// Output is lower case, two digits a byte, no separators. Input may use upper
// case and may hold blanks (spaces, tabs, line ends) between bytes.

#ifndef KESTRO_TEXT_HEX_H_
#define KESTRO_TEXT_HEX_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::text {

// "07036970", for example.
std::string ToHex(const uint8_t* bytes, size_t size);
std::string ToHex(const std::vector<uint8_t>& bytes);

// The bytes written in `text`, or none when it is not hex; `*error` (when
// given) then says what is wrong and at which character offset.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view text, std::string* error = nullptr);

}  // namespace kestro::text

#endif  // KESTRO_TEXT_HEX_H_
