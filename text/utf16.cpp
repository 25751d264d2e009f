// The portable conversions, for builds that are not for Windows. They follow
// the Unicode "maximal subpart" practice for ill-formed input, which is also
// what the Windows UTF-8 code page does.

#include "text/utf16.h"

#include <algorithm>
#include <cstddef>

#include "text/utf8.h"

namespace kestro::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the character at `*pos` and moves `*pos` past it, or past the
// maximal ill-formed subpart there (giving U+FFFD).
char32_t DecodeOne(const std::string& utf8, size_t* pos) {
  const Utf8Sequence sequence = ReadUtf8Sequence(utf8, *pos);
  *pos += sequence.length;
  return sequence.well_formed ? sequence.code_point : kReplacement;
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

// Whether every unit of `text` is ASCII, which has the same code units in
// UTF-8 and UTF-16; printer names and channel keys mostly are.
template <typename Text>
bool IsAscii(const Text& text) {
  return std::all_of(text.begin(), text.end(),
                     [](auto unit) { return static_cast<char32_t>(unit) < 0x80; });
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& utf8) {
  if (IsAscii(utf8)) return std::u16string(utf8.begin(), utf8.end());
  std::u16string wide;
  wide.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) AppendUtf16(DecodeOne(utf8, &pos), &wide);
  return wide;
}

std::string Utf16ToUtf8(const std::u16string& utf16) {
  if (IsAscii(utf16)) return std::string(utf16.begin(), utf16.end());
  std::string utf8;
  utf8.reserve(utf16.size());
  for (size_t pos = 0; pos < utf16.size();) AppendUtf8(DecodeOne(utf16, &pos), &utf8);
  return utf8;
}

}  // namespace kestro::text
