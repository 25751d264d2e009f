#include "text/hex.h"

namespace kestro::text {
namespace {

constexpr char kDigits[] = "0123456789abcdef";

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::nullopt_t Fail(std::string* error, const std::string& what, size_t offset) {
  if (error) *error = what + " at offset " + std::to_string(offset);
  return std::nullopt;
}

}  // namespace

std::string ToHex(const uint8_t* bytes, size_t size) {
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0xF]);
  }
  return text;
}

std::string ToHex(const std::vector<uint8_t>& bytes) { return ToHex(bytes.data(), bytes.size()); }

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text, std::string* error) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    const int high = DigitValue(text[i]);
    if (high < 0) return Fail(error, "hex: not a hex digit", i);
    if (i + 1 >= text.size() || IsBlank(text[i + 1])) {
      return Fail(error, "hex: a byte needs two digits", i);
    }
    const int low = DigitValue(text[i + 1]);
    if (low < 0) return Fail(error, "hex: not a hex digit", i + 1);
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    i += 2;
  }
  return bytes;
}

}  // namespace kestro::text
