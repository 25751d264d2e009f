#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kestro::text {
namespace {

struct Case {
  const char* what;
  std::string_view text;
  bool well_formed;
  char32_t code_point;
  size_t length;
};

TEST(Utf8Test, ReadsOneSequenceOrTheMaximalIllFormedSubpart) {
  const Case cases[] = {
      {"ASCII", "A", true, 0x41, 1},
      {"zero byte", std::string_view("\0", 1), true, 0, 1},
      {"last one-byte", "\x7F", true, 0x7F, 1},
      {"first two-byte", "\xC2\x80", true, 0x80, 2},
      {"two-byte", "\xC3\xA9", true, 0xE9, 2},
      {"three-byte", "\xE2\x82\xAC", true, 0x20AC, 3},
      {"first after E0's overlongs", "\xE0\xA0\x80", true, 0x800, 3},
      {"last before the surrogates", "\xED\x9F\xBF", true, 0xD7FF, 3},
      {"first after the surrogates", "\xEE\x80\x80", true, 0xE000, 3},
      {"four-byte", "\xF0\x9F\x98\x80", true, 0x1F600, 4},
      {"last code point", "\xF4\x8F\xBF\xBF", true, 0x10FFFF, 4},
      {"only its own sequence", "\xC3\xA9Z", true, 0xE9, 2},
      {"lone continuation", "\x80", false, 0, 1},
      {"overlong two-byte lead C0", "\xC0\x80", false, 0, 1},
      {"overlong two-byte lead C1", "\xC1\xBF", false, 0, 1},
      {"overlong three-byte", "\xE0\x9F\xBF", false, 0, 1},
      {"surrogate", "\xED\xA0\x80", false, 0, 1},
      {"overlong four-byte", "\xF0\x8F\xBF\xBF", false, 0, 1},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false, 0, 1},
      {"lead F5", "\xF5\x80\x80\x80", false, 0, 1},
      {"lead FF", "\xFF", false, 0, 1},
      {"cut short at the end", "\xE2\x82", false, 0, 2},
      {"lead alone at the end", "\xF0", false, 0, 1},
      {"third byte not a continuation", "\xE2\x82Z", false, 0, 2},
      {"fourth byte not a continuation", "\xF0\x9F\x98Z", false, 0, 3},
      {"second byte not a continuation", "\xC3Z", false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Utf8Sequence sequence = ReadUtf8Sequence(c.text, 0);
    EXPECT_EQ(sequence.well_formed, c.well_formed);
    EXPECT_EQ(sequence.code_point, c.code_point);
    EXPECT_EQ(sequence.length, c.length);
  }
}

// A position inside the text reads from there and stops at the text's end,
// not at a terminating zero.
TEST(Utf8Test, ReadsFromThePositionGivenAndStopsAtTheEnd) {
  const std::string text = "a\xE2\x82\xAC\xE2\x82";
  const std::string_view view(text.data(), text.size());
  EXPECT_EQ(ReadUtf8Sequence(view, 1).code_point, char32_t{0x20AC});
  EXPECT_EQ(ReadUtf8Sequence(view, 1).length, 3u);
  const Utf8Sequence cut = ReadUtf8Sequence(view, 4);
  EXPECT_FALSE(cut.well_formed);
  EXPECT_EQ(cut.length, 2u);
  const Utf8Sequence shorter = ReadUtf8Sequence(view.substr(0, 3), 1);
  EXPECT_FALSE(shorter.well_formed);
  EXPECT_EQ(shorter.length, 2u);
}

}  // namespace
}  // namespace kestro::text
