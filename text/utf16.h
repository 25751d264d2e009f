// Conversions between UTF-8 text and UTF-16 text.
//
// On Windows they go through the system's UTF-8 code page
// (MultiByteToWideChar and WideCharToMultiByte with CP_UTF8 and no flags): a
// sizing call with the input's length, then the conversion into a buffer of
// exactly the reported size. Elsewhere portable code follows the same rules.
// Either way any input is accepted: ill-formed sequences are not rejected but
// replaced with U+FFFD, one replacement for each maximal ill-formed subpart
// (the Unicode practice, which the code page follows too). An embedded NUL is
// ordinary text. Empty in, empty out.

#ifndef KESTRO_TEXT_UTF16_H_
#define KESTRO_TEXT_UTF16_H_

#include <string>

namespace kestro::text {

// UTF-8 to UTF-16.
[[nodiscard]] std::u16string Utf8ToUtf16(const std::string& utf8);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(const std::u16string& utf16);

}  // namespace kestro::text

#endif  // KESTRO_TEXT_UTF16_H_
