#include "text/utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace kestro::text {
namespace {

struct Utf8ToWideCase {
  const char* label;
  std::string utf8;
  std::u16string wide;
};

const Utf8ToWideCase kWellFormed[] = {
    {"empty", "", u""},
    {"ASCII", "Receipt 80mm", u"Receipt 80mm"},
    {"last one-byte code point", "DEL\x7F", u"DEL\u007F"},
    {"first two-byte code point", "PAD\xC2\x80", u"PAD\u0080"},
    {"two-byte", "Caf\xC3\xA9", u"Caf\u00E9"},
    {"three-byte", "\xE2\x82\xAC 5", u"\u20AC 5"},
    {"four-byte becomes a surrogate pair", "\xF0\x9F\x96\xA8", u"\U0001F5A8"},
    {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {"embedded NUL is text", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    {"byte order mark is kept", "\xEF\xBB\xBFx", u"\uFEFFx"},
};

TEST(Utf16Test, WellFormedTextConvertsBothWays) {
  for (const Utf8ToWideCase& c : kWellFormed) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.wide);
    EXPECT_EQ(Utf16ToUtf8(c.wide), c.utf8);
  }
}

// Each maximal ill-formed subpart becomes one U+FFFD; the rest is kept.
const Utf8ToWideCase kIllFormedUtf8[] = {
    {"lone continuation byte", "\x80", u"\uFFFD"},
    {"byte that never occurs",
     "a\xFF"
     "b",
     u"a\uFFFDb"},
    {"truncated three-byte sequence", "\xE2\x82", u"\uFFFD"},
    {"truncated sequence before ASCII",
     "\xE2\x82"
     "A",
     u"\uFFFDA"},
    {"truncated four-byte sequence",
     "\xF0\x9F\x96"
     "x",
     u"\uFFFDx"},
    {"overlong NUL", "\xC0\x80", u"\uFFFD\uFFFD"},
    {"Latin-1 text", "caf\xE9", u"caf\uFFFD"},
};

TEST(Utf16Test, IllFormedUtf8IsReplacedNotRejected) {
  for (const Utf8ToWideCase& c : kIllFormedUtf8) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.wide);
  }
}

#ifndef _WIN32
// How many replacements a sequence that is ill-formed only by its value gets
// differs between Windows versions and Wine; the portable conversion follows
// the Unicode practice of one per maximal subpart.
TEST(Utf16Test, PortableConversionReplacesEachMaximalSubpart) {
  const Utf8ToWideCase cases[] = {
      {"overlong three-byte form", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"truncated valid prefix", "\xF4\x8F\xBF", u"\uFFFD"},
  };
  for (const Utf8ToWideCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.wide);
  }
}
#endif

const Utf8ToWideCase kIllFormedUtf16[] = {
    {"lone high surrogate", "\xEF\xBF\xBD", u"\xD800"},
    {"lone low surrogate",
     "\xEF\xBF\xBD"
     "a",
     u"\xDC00"
     "a"},
    {"pair in the wrong order", "\xEF\xBF\xBD\xEF\xBF\xBD", u"\xDC00\xD800"},
    {"high surrogate before a letter",
     "\xEF\xBF\xBD"
     "b",
     u"\xD83D"
     "b"},
};

TEST(Utf16Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  for (const Utf8ToWideCase& c : kIllFormedUtf16) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf16ToUtf8(c.wide), c.utf8);
  }
}

TEST(Utf16Test, IllFormedTextNeverSurvivesTheRoundTrip) {
  // The handler relies on this: a protocol that is not well-formed UTF-8 can
  // never come back equal to a dialect name.
  const std::string ill_formed = "starPrnt\xC3";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(ill_formed)), "starPrnt\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kestro::text
