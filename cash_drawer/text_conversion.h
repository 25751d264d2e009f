// The two text conversions of the cash drawer service: the UTF-8 text of
// channel values to the UTF-16 text of the spooler calls, and back. They are
// the text layer's conversions (text/utf16.h), which on Windows go through
// the system's UTF-8 code page; ill-formed input is replaced, never rejected.

#ifndef KESTRO_CASH_DRAWER_TEXT_CONVERSION_H_
#define KESTRO_CASH_DRAWER_TEXT_CONVERSION_H_

#include <string>

#include "text/utf16.h"

namespace kestro {

// UTF-8 to UTF-16.
inline std::u16string ToWideString(const std::string& utf8) { return text::Utf8ToUtf16(utf8); }

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
inline std::string ToUtf8String(const std::u16string& utf16) { return text::Utf16ToUtf8(utf16); }

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_TEXT_CONVERSION_H_
