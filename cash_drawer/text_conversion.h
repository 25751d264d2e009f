// Conversions between the UTF-8 text of channel values and the UTF-16 text of
// the Windows interfaces.
//
// Both directions accept any input: ill-formed sequences are not rejected but
// replaced with U+FFFD, one replacement for each maximal ill-formed subpart,
// as the Windows code-page conversions do without MB_ERR_INVALID_CHARS. An
// embedded NUL is ordinary text. Empty in, empty out.

#ifndef KESTRO_CASH_DRAWER_TEXT_CONVERSION_H_
#define KESTRO_CASH_DRAWER_TEXT_CONVERSION_H_

#include <string>

namespace kestro {

// UTF-8 to UTF-16.
std::u16string ToWideString(const std::string& utf8);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8String(const std::u16string& utf16);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_TEXT_CONVERSION_H_
