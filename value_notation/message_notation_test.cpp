#include "value_notation/message_notation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/standard_method_codec.h"
#include "text/hex.h"
#include "value_notation/json_text.h"

namespace kestro::notation {
namespace {

using flutter::EncodableValue;
using text::ToHex;

nlohmann::json Json(const std::string& text) {
  std::string error;
  auto json = ParseJson(text, &error);
  if (!json) ADD_FAILURE() << error;
  return json.value_or(nullptr);
}

const flutter::MethodCodec& Codec() { return flutter::CodecForSerializer(); }

// A call read from the notation encodes to these bytes, and back.
TEST(MessageNotationTest, CallsTravelBetweenNotationAndBytes) {
  struct Case {
    const char* input;
    const char* output;
    const char* hex;
  } const cases[] = {
      {R"({"method":"listPrinters"})", R"({"arguments":null,"method":"listPrinters"})",
       "070c6c6973745072696e7465727300"},
      {R"({"method":"openDrawer","arguments":{"pulseOn":25,"protocol":"starPrnt"}})",
       R"({"arguments":{"protocol":"starPrnt","pulseOn":25},"method":"openDrawer"})",
       "070a6f70656e447261776572"
       "0d0207087072"
       "6f746f636f6c0708737461725072"
       "6e740707"
       "70756c73654f6e0319000000"},
      {R"({"method":{"$stringHex":"ff"},"arguments":[1]})",
       R"({"arguments":[1],"method":{"$stringHex":"ff"}})", "0701ff0c010301000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::string error;
    const auto call = CallFromJson(Json(c.input), &error);
    ASSERT_NE(call, nullptr) << error;
    const std::vector<uint8_t> bytes = Codec().EncodeCall(*call);
    EXPECT_EQ(ToHex(bytes), c.hex);
    const auto decoded = Codec().DecodeCall(bytes.data(), bytes.size());
    ASSERT_NE(decoded, nullptr);
    const auto json = CallToJson(*decoded, &error);
    ASSERT_TRUE(json.has_value()) << error;
    EXPECT_EQ(DumpJson(*json), c.output);
  }
}

TEST(MessageNotationTest, BadCallsSayWhatAndWhere) {
  struct Case {
    const char* input;
    const char* error;
  } const cases[] = {
      {"[]", R"(a call must be an object with "method" and "arguments", at $)"},
      {R"({"arguments":1})", R"(missing member "method", at $)"},
      {R"({"method":1})", "not a string, at $.method"},
      {R"({"method":"x","argument":1})", R"(a call has no member "argument", at $)"},
      {R"({"method":"x","arguments":{"pin":{"$int64":"a"}}})",
       "$int64 needs an integer within the 64-bit range, at $.arguments.pin.$int64"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::string error;
    EXPECT_EQ(CallFromJson(Json(c.input), &error), nullptr);
    EXPECT_EQ(error, c.error);
  }
}

TEST(MessageNotationTest, RepliesTravelBetweenNotationAndBytes) {
  struct Case {
    const char* input;
    const char* output;
    const char* hex;
  } const cases[] = {
      {R"({"success":true})", R"({"success":true})", "0001"},
      {R"({"success":null})", R"({"success":null})", "0000"},
      {R"({"success":{"success":true}})", R"({"success":{"success":true}})",
       "000d0107077375636365737301"},
      {R"({"error":{"code":"invalid_arguments"}})",
       R"({"error":{"code":"invalid_arguments","details":null,"message":""}})",
       "010711696e76616c69645f617267756d656e74730000"},
      {R"({"error":{"code":"E","message":"m","details":[1]}})",
       R"({"error":{"code":"E","details":[1],"message":"m"}})",
       "010701450701"
       "6d0c010301000000"},
      {R"({"notImplemented":true})", R"({"notImplemented":true})", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::string error;
    const auto reply = ReplyFromJson(Json(c.input), &error);
    ASSERT_TRUE(reply.has_value()) << error;
    const std::vector<uint8_t> bytes = EncodeReply(*reply, Codec());
    EXPECT_EQ(ToHex(bytes), c.hex);
    const auto decoded = DecodeReply(bytes.data(), bytes.size(), Codec());
    ASSERT_TRUE(decoded.has_value());
    const auto json = ReplyToJson(*decoded, &error);
    ASSERT_TRUE(json.has_value()) << error;
    EXPECT_EQ(DumpJson(*json), c.output);
  }
}

TEST(MessageNotationTest, BytesThatAreNoReplyGiveNone) {
  const uint8_t envelope_two[] = {0x02, 0x01};
  EXPECT_FALSE(DecodeReply(envelope_two, sizeof(envelope_two), Codec()).has_value());
}

TEST(MessageNotationTest, BadRepliesSayWhatAndWhere) {
  const std::string shape =
      R"(a reply must be {"success": ..}, {"error": {..}} or {"notImplemented": true}, at $)";
  struct Case {
    const char* input;
    std::string error;
  } const cases[] = {
      {"{}", shape},
      {R"({"success":1,"error":{}})", shape},
      {R"({"failure":1})", shape},
      {R"({"notImplemented":false})", "notImplemented must be true, at $.notImplemented"},
      {R"({"error":"x"})", "an error must be an object, at $.error"},
      {R"({"error":{"message":"m"}})", R"(missing member "code", at $.error)"},
      {R"({"error":{"code":"E","message":3}})", "not a string, at $.error.message"},
      {R"({"error":{"code":"E","detail":3}})", R"(an error has no member "detail", at $.error)"},
      {R"({"success":{"$uint8":"0"}})",
       "$uint8: hex: a byte needs two digits at offset 0, at "
       "$.success.$uint8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::string error;
    EXPECT_FALSE(ReplyFromJson(Json(c.input), &error).has_value());
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace kestro::notation
