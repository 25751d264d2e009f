// The conversions through the Windows UTF-8 code page: a sizing call, then the
// conversion into a buffer of exactly the reported size. No flags, so
// ill-formed input is replaced rather than rejected.

#include <windows.h>

#include "text/utf16.h"
#include "text/wide_chars.h"

namespace kestro::text {

std::u16string Utf8ToUtf16(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = static_cast<int>(utf8.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::u16string wide(static_cast<size_t>(units), u'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, AsWritableWideChars(&wide), units);
  return wide;
}

std::string Utf16ToUtf8(const std::u16string& utf16) {
  if (utf16.empty()) return {};
  const wchar_t* wide = AsWideChars(utf16);
  const int length = static_cast<int>(utf16.size());
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace kestro::text
