// UTF-16 text is kept as std::u16string; Win32 calls take wchar_t, which on
// Windows is the same 16-bit unit. This is the one place that reinterprets.

#ifndef KESTRO_RUNNER_WIDE_TEXT_H_
#define KESTRO_RUNNER_WIDE_TEXT_H_

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 unit");

// The text as a NUL-terminated wide string for a Win32 call. Valid as long as
// `text` is alive and unchanged.
inline const wchar_t* AsWideChars(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

#endif  // KESTRO_RUNNER_WIDE_TEXT_H_
