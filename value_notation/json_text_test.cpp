#include "value_notation/json_text.h"

#include <gtest/gtest.h>

#include <string>

namespace kestro::notation {
namespace {

TEST(JsonTextTest, ParsesAndDumpsOnOneLine) {
  const char* const texts[] = {
      "null",
      "[1,-2,1.5,\"x\"]",
      R"({"a":{"b":[true,false,null]},"c":{}})",
      "18446744073709551615",
      "-9223372036854775808",
      "\"\\u0000\xC3\xA9\"",
      // Each number is read as its nearest double, which dumps as the same
      // text: MinGW's strtod reads these one unit in the last place off.
      "[3.839223843572815e-239,9.681479787123295e-122,-5.282945311356652e+269]",
      "[-0.0,5e-324,1.7976931348623157e+308]",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    std::string error;
    const auto json = ParseJson(text, &error);
    ASSERT_TRUE(json.has_value()) << error;
    EXPECT_EQ(DumpJson(*json), text);
  }
}

TEST(JsonTextTest, KeepsIntegersAndRealsApart) {
  EXPECT_TRUE(ParseJson("30")->is_number_integer());
  EXPECT_TRUE(ParseJson("30.0")->is_number_float());
  EXPECT_TRUE(ParseJson("3e1")->is_number_float());
}

TEST(JsonTextTest, SaysWhatIsWrongAndWhere) {
  struct Case {
    const char* text;
    const char* error_part;
  } const cases[] = {
      {"", "line 1, column 1"},
      {"[1,]", "line 1, column 4"},
      {"{\"a\" 1}", "line 1, column 6"},
      {"[1]\n x", "line 2, column 2"},
      {"18446744073709551616", "integer 18446744073709551616 beyond the 64-bit range, at $"},
      {"[1, -99999999999999999999]",
       "integer -99999999999999999999 beyond the 64-bit range, at $[1]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(ParseJson(c.text, &error).has_value());
    EXPECT_NE(error.find(c.error_part), std::string::npos) << error;
    EXPECT_EQ(error.find("[json.exception"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace kestro::notation
