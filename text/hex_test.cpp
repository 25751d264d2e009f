#include "text/hex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro::text {
namespace {

TEST(HexTest, WritesLowerCaseTwoDigitsAByte) {
  EXPECT_EQ(ToHex(std::vector<uint8_t>{0x00, 0x1B, 0xA0, 0xFF}), "001ba0ff");
  EXPECT_EQ(ToHex(std::vector<uint8_t>{}), "");
}

TEST(HexTest, ReadsUpperCaseAndBlanksBetweenBytes) {
  struct Case {
    const char* text;
    std::vector<uint8_t> bytes;
  } const cases[] = {
      {"", {}},
      {"00", {0x00}},
      {"0a FF", {0x0A, 0xFF}},
      {" DE ad\tBE\r\nef ", {0xDE, 0xAD, 0xBE, 0xEF}},
      {"1b7000", {0x1B, 0x70, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const auto bytes = ParseHex(c.text, &error);
    ASSERT_TRUE(bytes.has_value()) << error;
    EXPECT_EQ(*bytes, c.bytes);
  }
}

TEST(HexTest, SaysWhatIsWrongAndWhere) {
  struct Case {
    const char* text;
    const char* error;
  } const cases[] = {
      {"0", "hex: a byte needs two digits at offset 0"},
      {"00 1 2", "hex: a byte needs two digits at offset 3"},
      {"0g", "hex: not a hex digit at offset 1"},
      {"ab x0", "hex: not a hex digit at offset 3"},
      {"0x10", "hex: not a hex digit at offset 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(ParseHex(c.text, &error).has_value());
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace kestro::text
