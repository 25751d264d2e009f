#include "standins/app/script.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kestro::standin::ParseScript;
using kestro::standin::Script;
using kestro::standin::ToHex;

TEST(Script, ReadsCallsAndRawBytes) {
  const Script script = ParseScript(
      "{\"method\": \"listPrinters\"}\n"
      "   \n"
      "{\"method\": \"openDrawer\", \"arguments\": {\"pin\": 1}, \"note\": \"second drawer\"}\r\n"
      "{\"raw\": \"0A ff\", \"channel\": \"other\"}\n"
      "{\"method\": \"x\", \"arguments\": null}");
  ASSERT_EQ(script.error, "");
  ASSERT_EQ(script.requests.size(), 4u);
  EXPECT_EQ(script.requests[0].channel, "kestro/cash_drawer");
  EXPECT_EQ(script.requests[0].method, "listPrinters");
  EXPECT_FALSE(script.requests[0].arguments.has_value());
  // Name, then the null that stands for no arguments.
  EXPECT_EQ(ToHex(script.requests[0].message), "070c6c6973745072696e7465727300");
  // Name, then a map of one entry: "pin" -> 32-bit 1.
  EXPECT_EQ(ToHex(script.requests[1].message),
            "070a6f70656e447261776572"
            "0d01"
            "070370696e"
            "0301000000");
  EXPECT_EQ(script.requests[1].line["note"], "second drawer");
  EXPECT_EQ(script.requests[2].channel, "other");
  EXPECT_EQ(script.requests[2].method, "");
  EXPECT_EQ(ToHex(script.requests[2].message), "0aff");
  ASSERT_TRUE(script.requests[3].arguments.has_value());
  EXPECT_TRUE(script.requests[3].arguments->IsNull());
  EXPECT_EQ(ToHex(script.requests[3].message), "07017800");
}

TEST(Script, AnEmptyScriptHasNoRequests) {
  const Script script = ParseScript("\n\n");
  EXPECT_EQ(script.error, "");
  EXPECT_TRUE(script.requests.empty());
}

TEST(Script, ABadLineRejectsTheWholeScript) {
  const struct {
    const char* line;
    const char* error;
  } cases[] = {
      {"{\"method\": ",
       "line 2: parse error at line 1, column 12: syntax error while parsing value - unexpected "
       "end of input; expected '[', '{', or a literal"},
      {"[1]", "line 2: a request is a JSON object"},
      {"{}", "line 2: give exactly one of \"method\" and \"raw\""},
      {"{\"method\": \"a\", \"raw\": \"00\"}",
       "line 2: give exactly one of \"method\" and \"raw\""},
      {"{\"method\": 5}", "line 2: \"method\" must be a string"},
      {"{\"raw\": \"0g\"}", "line 2: \"raw\" must be a string of hex bytes"},
      {"{\"raw\": \"abc\"}", "line 2: \"raw\" must be a string of hex bytes"},
      {"{\"raw\": 12}", "line 2: \"raw\" must be a string of hex bytes"},
      {"{\"raw\": \"00\", \"arguments\": 1}", "line 2: \"arguments\" belongs to a method call"},
      {"{\"method\": \"a\", \"channel\": 1}", "line 2: \"channel\" must be a string"},
      {"{\"method\": \"a\", \"argument\": 1}", "line 2: unknown member \"argument\""},
      {"{\"method\": \"a\", \"method\": \"b\"}", "line 2: a key given twice, at $.method"},
      {"{\"method\": \"a\", \"arguments\": 18446744073709551616}",
       "line 2: integer 18446744073709551616 beyond the 64-bit range, at $.arguments"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const Script script = ParseScript(std::string("{\"method\": \"ok\"}\n") + c.line + "\n");
    EXPECT_EQ(script.error, c.error);
    EXPECT_TRUE(script.requests.empty());
  }
}

TEST(Script, ArgumentsInTheNotationKeepTheirKinds) {
  const Script script =
      ParseScript("{\"method\": \"m\", \"arguments\": {\"pin\": {\"$int64\": 4294967297}}}");
  ASSERT_EQ(script.error, "");
  const auto& map = script.requests[0].arguments->Get<flutter::ValueMap>();
  const flutter::EncodableValue& pin = map.at(flutter::EncodableValue("pin"));
  ASSERT_EQ(pin.kind(), flutter::ValueKind::kInt64);
  EXPECT_EQ(pin.Get<int64_t>(), 4294967297);
}

}  // namespace
