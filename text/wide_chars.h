// The boundary between the UTF-16 text the code keeps (std::u16string,
// char16_t) and the 16-bit unit of the platform's UTF-16 interfaces. This is
// the one place that reinterprets one as the other.
//
// On Windows that unit is wchar_t, the same 16-bit unit as char16_t: a Win32
// call takes AsWideChars(text), and a wide string a Win32 call returns is
// read with AsU16Chars. The pointers only cross to and from system calls, so
// no object is ever accessed here as both types.
//
// Where wchar_t is wider (the native builds), the engine library's interface
// as declared here takes char16_t, and the functions are the identity.

#ifndef KESTRO_TEXT_WIDE_CHARS_H_
#define KESTRO_TEXT_WIDE_CHARS_H_

#include <string>

namespace kestro::text {

#if defined(_WIN32)
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 unit");
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif

// The text as a NUL-terminated string of the platform's unit, for a call.
// Valid as long as `text` is alive and unchanged.
inline const WideChar* AsWideChars(const std::u16string& text) {
#if defined(_WIN32)
  return reinterpret_cast<const wchar_t*>(text.c_str());
#else
  return text.c_str();
#endif
}

// The same for a call that writes into `*text` (a buffer sized beforehand), or
// that takes a non-const pointer it does not write through.
inline WideChar* AsWritableWideChars(std::u16string* text) {
#if defined(_WIN32)
  return reinterpret_cast<wchar_t*>(text->data());
#else
  return text->data();
#endif
}

// The platform's text at `text` read as char16_t units.
inline const char16_t* AsU16Chars(const WideChar* text) {
#if defined(_WIN32)
  return reinterpret_cast<const char16_t*>(text);
#else
  return text;
#endif
}

// A copy of the NUL-terminated `text`; null gives an empty string.
inline std::u16string CopyWideChars(const WideChar* text) {
  return text == nullptr ? std::u16string() : std::u16string(AsU16Chars(text));
}

}  // namespace kestro::text

#endif  // KESTRO_TEXT_WIDE_CHARS_H_
