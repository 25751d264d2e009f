// The portable conversions, for builds that are not for Windows. They follow
// the Unicode "maximal subpart" practice for ill-formed input, which is also
// what the Windows UTF-8 code page does.

#include "cash_drawer/text_conversion.h"

#include <cstddef>
#include <cstdint>

namespace kestro {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(uint8_t byte) { return byte >= 0x80 && byte <= 0xBF; }

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

// Decodes the character at `*pos` and moves `*pos` past it, or past the
// maximal ill-formed subpart there (giving U+FFFD).
char32_t DecodeOne(const std::string& utf8, size_t* pos) {
  const auto lead = static_cast<uint8_t>(utf8[*pos]);
  ++*pos;
  if (lead < 0x80) return lead;
  const SequenceShape shape = ShapeOf(lead);
  if (shape.length == 0) return kReplacement;
  char32_t code_point = lead & shape.lead_bits;
  for (int i = 1; i < shape.length; ++i) {
    if (*pos >= utf8.size()) return kReplacement;
    const auto byte = static_cast<uint8_t>(utf8[*pos]);
    const bool fits =
        i == 1 ? byte >= shape.second_min && byte <= shape.second_max : IsContinuation(byte);
    if (!fits) return kReplacement;
    code_point = (code_point << 6) | (byte & 0x3F);
    ++*pos;
  }
  return code_point;
}

void AppendUtf16(char32_t code_point, std::u16string* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<char16_t>(code_point));
    return;
  }
  const char32_t offset = code_point - 0x10000;
  out->push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
  out->push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

void AppendUtf8(char32_t code_point, std::string* out) {
  auto put = [out](char32_t byte) { out->push_back(static_cast<char>(byte)); };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | (code_point >> 6));
    put(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    put(0xE0 | (code_point >> 12));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  } else {
    put(0xF0 | (code_point >> 18));
    put(0x80 | ((code_point >> 12) & 0x3F));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Decodes the character at `*pos` and moves `*pos` past it; an unpaired
// surrogate gives U+FFFD.
char32_t DecodeOne(const std::u16string& utf16, size_t* pos) {
  const char16_t unit = utf16[*pos];
  ++*pos;
  if (IsHighSurrogate(unit) && *pos < utf16.size() && IsLowSurrogate(utf16[*pos])) {
    const char16_t low = utf16[*pos];
    ++*pos;
    return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
  }
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return kReplacement;
  return unit;
}

}  // namespace

std::u16string ToWideString(const std::string& utf8) {
  std::u16string wide;
  wide.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) AppendUtf16(DecodeOne(utf8, &pos), &wide);
  return wide;
}

std::string ToUtf8String(const std::u16string& utf16) {
  std::string utf8;
  utf8.reserve(utf16.size());
  for (size_t pos = 0; pos < utf16.size();) AppendUtf8(DecodeOne(utf16, &pos), &utf8);
  return utf8;
}

}  // namespace kestro
