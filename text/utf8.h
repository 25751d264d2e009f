// Reading UTF-8 one sequence at a time.
//
// The portable UTF-16 conversion (which replaces ill-formed input with
// U+FFFD) and the value notation's check that a string is well-formed both
// need the same rules for which byte sequences are UTF-8, so they are kept
// here once.

#ifndef KESTRO_TEXT_UTF8_H_
#define KESTRO_TEXT_UTF8_H_

#include <cstddef>
#include <string_view>

namespace kestro::text {

// What lies at one position of a UTF-8 text.
struct Utf8Sequence {
  // Whether the bytes there form a well-formed sequence: no overlong form,
  // no surrogate, nothing above U+10FFFF, and not cut short.
  bool well_formed;
  // The code point of a well-formed sequence; 0 otherwise.
  char32_t code_point;
  // The number of bytes to move past (at least 1): the whole sequence when
  // it is well-formed, otherwise the maximal subpart of a well-formed
  // sequence there (the Unicode practice for replacing ill-formed input,
  // which is also what the Windows UTF-8 code page does).
  size_t length;
};

// Reads the sequence that starts at `text[pos]`; `pos` must be less than
// `text.size()`. Never reads past the end of `text`.
Utf8Sequence ReadUtf8Sequence(std::string_view text, size_t pos);

}  // namespace kestro::text

#endif  // KESTRO_TEXT_UTF8_H_
