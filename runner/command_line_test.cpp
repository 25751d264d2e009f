#include "runner/command_line.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

struct ConversionCase {
  const char* label;
  const wchar_t* argument;
  std::string utf8;
};

// Valid UTF-16 converts exactly; anything that is not valid UTF-16 gives an
// empty string rather than replacement characters.
const ConversionCase kConversionCases[] = {
    {"null", nullptr, ""},
    {"empty", L"", ""},
    {"ascii", L"--verbose", "--verbose"},
    {"two-byte", L"caf\u00e9", "caf\xc3\xa9"},
    {"three-byte", L"\u20ac5",
     "\xe2\x82\xac"
     "5"},
    {"surrogate pair", L"\xD83D\xDE00", "\xf0\x9f\x98\x80"},
    {"unpaired high surrogate", L"a\xD800z", ""},
    {"unpaired low surrogate", L"\xDC00", ""},
    {"reversed pair", L"\xDE00\xD83D", ""},
    {"high surrogate at the end", L"abc\xD83D", ""},
};

TEST(ArgumentToUtf8, ConvertsValidTextAndEmptiesInvalidText) {
  for (const ConversionCase& c : kConversionCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(ArgumentToUtf8(c.argument), c.utf8);
  }
}

struct SplitCase {
  const wchar_t* command_line;
  std::vector<std::string> arguments;
};

const SplitCase kSplitCases[] = {
    {L"kestro.exe", {}},
    {L"kestro.exe a b", {"a", "b"}},
    {L"\"C:\\Program Files\\kestro\\kestro.exe\" \"two words\" x", {"two words", "x"}},
    {L"kestro.exe \"\" after", {"", "after"}},
    {L"kestro.exe first \xD800 third", {"first", "", "third"}},
    {L"kestro.exe --mode=caf\u00e9", {"--mode=caf\xc3\xa9"}},
};

// The program's name is dropped, every other argument keeps its place, and an
// argument that cannot be converted stands as an empty string.
TEST(ArgumentsAfterProgramName, SplitsLikeWindowsAndKeepsOrder) {
  for (size_t i = 0; i < std::size(kSplitCases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(ArgumentsAfterProgramName(kSplitCases[i].command_line), kSplitCases[i].arguments);
  }
}

}  // namespace
