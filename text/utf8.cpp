#include "text/utf8.h"

#include <cstdint>

namespace kestro::text {
namespace {

// How a well-formed sequence that starts with a given lead byte goes on: its
// total length, the range its second byte must lie in (narrower than 80..BF
// after E0, ED, F0 and F4, which excludes overlong forms, surrogates and code
// points above U+10FFFF), and the bits of the lead byte that carry the value.
struct SequenceShape {
  int length;
  uint8_t second_min;
  uint8_t second_max;
  uint8_t lead_bits;
};

// The shape for a lead byte, or length 0 when the byte cannot start a
// multi-byte sequence.
SequenceShape ShapeOf(uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF, 0x1F};
  if (lead == 0xE0) return {3, 0xA0, 0xBF, 0x0F};
  if (lead == 0xED) return {3, 0x80, 0x9F, 0x0F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF, 0x0F};
  if (lead == 0xF0) return {4, 0x90, 0xBF, 0x07};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF, 0x07};
  if (lead == 0xF4) return {4, 0x80, 0x8F, 0x07};
  return {0, 0, 0, 0};
}

bool IsContinuation(uint8_t byte) { return byte >= 0x80 && byte <= 0xBF; }

}  // namespace

Utf8Sequence ReadUtf8Sequence(std::string_view text, size_t pos) {
  const auto lead = static_cast<uint8_t>(text[pos]);
  if (lead < 0x80) return {true, lead, 1};
  const SequenceShape shape = ShapeOf(lead);
  if (shape.length == 0) return {false, 0, 1};
  char32_t code_point = lead & shape.lead_bits;
  size_t length = 1;
  for (int i = 1; i < shape.length; ++i) {
    // Stopping at the first byte that does not fit leaves `length` at the
    // maximal subpart read so far.
    if (pos + length >= text.size()) return {false, 0, length};
    const auto byte = static_cast<uint8_t>(text[pos + length]);
    const bool fits =
        i == 1 ? byte >= shape.second_min && byte <= shape.second_max : IsContinuation(byte);
    if (!fits) return {false, 0, length};
    code_point = (code_point << 6) | (byte & 0x3F);
    ++length;
  }
  return {true, code_point, length};
}

}  // namespace kestro::text
