#include "codec/standard_method_codec.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codec/testing/recording_result.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/value_printer.h"
#include "codec/testing/wire_bytes.h"

namespace flutter {
namespace {

using kestro_testing::Answer;
using kestro_testing::Bytes;
using kestro_testing::Hex;
using kestro_testing::kInvalidRead;
using kestro_testing::RecordingResult;
using kestro_testing::StderrCapture;

const char kInvalidCall[] = "Invalid method call; method name is not a string.";

const char kOpenDrawerHex[] =
    "07 0A 6F 70 65 6E 44 72 61 77 65 72 0D 02 07 08 70 72 6F 74 6F 63 6F 6C 07 08 73 74 61 72 "
    "50 72 6E 74 07 07 70 75 6C 73 65 4F 6E 03 19 00 00 00";

std::unique_ptr<EncodableValue> Owned(EncodableValue value) {
  return std::make_unique<EncodableValue>(std::move(value));
}

TEST(StandardMethodCodecTest, EncodesCalls) {
  struct Case {
    const char* what;
    std::shared_ptr<MethodCall> call;
    const char* hex;
  };
  const Case cases[] = {
      {"listPrinters without argument", std::make_shared<MethodCall>("listPrinters", nullptr),
       "07 0C 6C 69 73 74 50 72 69 6E 74 65 72 73 00"},
      {"openDrawer with its map",
       std::make_shared<MethodCall>("openDrawer",
                                    Owned(ValueMap{{"pulseOn", 25}, {"protocol", "starPrnt"}})),
       kOpenDrawerHex},
      {"a double argument aligned from the message start",
       std::make_shared<MethodCall>("f", Owned(EncodableValue(1.5))),
       "07 01 66 06 00 00 00 00 00 00 00 00 00 00 F8 3F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Hex(CodecForSerializer().EncodeCall(*c.call)), Hex(Bytes(c.hex)));
  }
}

TEST(StandardMethodCodecTest, EncodesReplies) {
  const MethodCodec& codec = CodecForSerializer();
  const EncodableValue yes(true);
  const EncodableValue success_map(ValueMap{{"success", true}});
  const EncodableValue details(ValueList{EncodableValue(1)});
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* hex;
  };
  const Case cases[] = {
      {"success with true", codec.EncodeSuccessReply(&yes), "00 01"},
      {"success without result", codec.EncodeSuccessReply(nullptr), "00 00"},
      {"success with a map", codec.EncodeSuccessReply(&success_map),
       "00 0D 01 07 07 73 75 63 63 65 73 73 01"},
      {"error, empty message, no details", codec.EncodeErrorReply("invalid_arguments", "", nullptr),
       "01 07 11 69 6E 76 61 6C 69 64 5F 61 72 67 75 6D 65 6E 74 73 00 00"},
      {"error with message and details", codec.EncodeErrorReply("E", "m", &details),
       "01 07 01 45 07 01 6D 0C 01 03 01 00 00 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Hex(c.bytes), Hex(Bytes(c.hex)));
  }
}

TEST(StandardMethodCodecTest, DecodesCalls) {
  struct Case {
    const char* what;
    std::string hex;
    std::optional<std::string> method;  // none: no call
    EncodableValue arguments;
    std::vector<std::string> lines;
  };
  const EncodableValue drawer_arguments(ValueMap{{"pulseOn", 25}, {"protocol", "starPrnt"}});
  const Case cases[] = {
      {"listPrinters",
       "07 0C 6C 69 73 74 50 72 69 6E 74 65 72 73 00",
       "listPrinters",
       EncodableValue(),
       {}},
      {"listPrinters without its final null",
       "07 0C 6C 69 73 74 50 72 69 6E 74 65 72 73",
       "listPrinters",
       EncodableValue(),
       {kInvalidRead}},
      {"openDrawer", kOpenDrawerHex, "openDrawer", drawer_arguments, {}},
      {"openDrawer with the entries the other way round",
       "07 0A 6F 70 65 6E 44 72 61 77 65 72 0D 02 07 07 70 75 6C 73 65 4F 6E 03 19 00 00 00 "
       "07 08 70 72 6F 74 6F 63 6F 6C 07 08 73 74 61 72 50 72 6E 74",
       "openDrawer",
       drawer_arguments,
       {}},
      {"bytes after the argument are ignored", "07 01 66 01 FF FF", "f", EncodableValue(true), {}},
      {"name is not a string", "03 01 00 00 00", std::nullopt, EncodableValue(), {kInvalidCall}},
      {"empty message", "", std::nullopt, EncodableValue(), {kInvalidRead, kInvalidCall}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> bytes = Bytes(c.hex);
    StderrCapture capture;
    const std::unique_ptr<MethodCall> call =
        CodecForSerializer().DecodeCall(bytes.data(), bytes.size());
    EXPECT_EQ(capture.TakeLines(), c.lines);
    ASSERT_EQ(call != nullptr, c.method.has_value());
    if (!call) continue;
    EXPECT_EQ(call->method_name(), *c.method);
    ASSERT_NE(call->arguments(), nullptr);
    EXPECT_TRUE(AreEquivalent(*call->arguments(), c.arguments))
        << ::testing::PrintToString(*call->arguments());
  }
}

TEST(StandardMethodCodecTest, DecodesRepliesIntoTheResult) {
  struct Case {
    const char* what;
    const char* hex;
    bool decoded;
    const char* answer;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"success with true", "00 01", true, "success true", {}},
      {"success with null is absent", "00 00", true, "success absent", {}},
      {"error without message or details", "01 07 01 45 00 00", true, "error E//absent", {}},
      {"error with message and details",
       "01 07 01 45 07 01 6D 03 02 00 00 00",
       true,
       "error E/m/2",
       {}},
      {"unknown envelope", "02", false, "no answer", {}},
      {"empty reply", "", true, "success absent", {kInvalidRead, kInvalidRead}},
      {"error code not a string",
       "01 03 01 00 00 00 00 00",
       false,
       "no answer",
       {"Invalid error reply; code or message is not a string."}},
      {"error message not a string",
       "01 07 01 45 01 00",
       false,
       "no answer",
       {"Invalid error reply; code or message is not a string."}},
      {"truncated error reply",
       "01 07 01 45",
       true,
       "error E//absent",
       {kInvalidRead, kInvalidRead}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> bytes = Bytes(c.hex);
    Answer answer;
    RecordingResult result(&answer);
    StderrCapture capture;
    EXPECT_EQ(CodecForSerializer().DecodeReply(bytes.data(), bytes.size(), &result), c.decoded);
    EXPECT_EQ(capture.TakeLines(), c.lines);
    EXPECT_EQ(Describe(answer), c.answer);
  }
}

TEST(StandardMethodCodecTest, RepliesRoundTrip) {
  const MethodCodec& codec = CodecForSerializer();
  const EncodableValue details(ValueMap{{"why", Int64Array{1, 2}}});
  const std::vector<uint8_t> bytes = codec.EncodeErrorReply("busy", "try later", &details);
  Answer answer;
  RecordingResult result(&answer);
  ASSERT_TRUE(codec.DecodeReply(bytes.data(), bytes.size(), &result));
  EXPECT_EQ(answer.count, 1);
  EXPECT_EQ(answer.kind, Answer::Kind::kError);
  EXPECT_EQ(answer.error_code, "busy");
  EXPECT_EQ(answer.error_message, "try later");
  ASSERT_TRUE(answer.value.has_value());
  EXPECT_TRUE(kestro_testing::SameValue(*answer.value, details));
}

// Counts the copies made of it, wherever they are made.
struct CopyCounted {
  explicit CopyCounted(int* copies) : copies(copies) {}
  CopyCounted(const CopyCounted& other) : copies(other.copies) { ++*copies; }
  CopyCounted(CopyCounted&&) = default;
  int* copies;
};

// The encoders write the caller's values where they lie: a reply carrying a
// whole printer list is not copied first.
TEST(StandardMethodCodecTest, EncodingDoesNotCopyTheValues) {
  const MethodCodec& codec = CodecForSerializer();
  int copies = 0;
  const EncodableValue value(ValueList{EncodableValue(CustomValue(CopyCounted(&copies)))});
  const MethodCall call("m", std::make_unique<EncodableValue>(value));
  copies = 0;
  StderrCapture capture;  // each custom value is reported as it is written as null
  codec.EncodeCall(call);
  codec.EncodeSuccessReply(&value);
  codec.EncodeErrorReply("code", "message", &value);
  EXPECT_EQ(capture.TakeLines().size(), 3u);
  EXPECT_EQ(copies, 0);
}

TEST(StandardMethodCodecTest, OneCodecPerSerializer) {
  const StandardCodecSerializer other;
  EXPECT_EQ(&CodecForSerializer(), &CodecForSerializer());
  EXPECT_EQ(&CodecForSerializer(), &CodecForSerializer(&SharedSerializer()));
  EXPECT_EQ(&CodecForSerializer(&other), &CodecForSerializer(&other));
  EXPECT_NE(&CodecForSerializer(&other), &CodecForSerializer());
}

// A derived serializer's tags travel inside calls and replies.
class TaggedSerializer : public StandardCodecSerializer {
 public:
  static constexpr uint8_t kTag = 200;

  void WriteValue(const EncodableValue& value, ByteStreamWriter* writer) const override {
    if (value.kind() != ValueKind::kCustom)
      return StandardCodecSerializer::WriteValue(value, writer);
    writer->WriteOneByte(kTag);
    writer->WriteOneByte(
        static_cast<uint8_t>(std::any_cast<int>(value.Get<CustomValue>().value())));
  }

  EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* reader) const override {
    if (type != kTag) return StandardCodecSerializer::ReadValueOfType(type, reader);
    return EncodableValue(CustomValue(int{reader->ReadOneByte()}));
  }
};

int CustomNumber(const EncodableValue& value) {
  return std::any_cast<int>(value.Get<CustomValue>().value());
}

TEST(StandardMethodCodecTest, DerivedSerializerTypesTravelInMessages) {
  static const TaggedSerializer serializer;
  const MethodCodec& codec = CodecForSerializer(&serializer);
  const EncodableValue argument(ValueList{EncodableValue(CustomValue(7))});
  MethodCall call("tagged", std::make_unique<EncodableValue>(argument));
  const std::vector<uint8_t> call_bytes = codec.EncodeCall(call);
  EXPECT_EQ(Hex(call_bytes), "07067461676765640c01c807");
  const std::unique_ptr<MethodCall> decoded =
      codec.DecodeCall(call_bytes.data(), call_bytes.size());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(CustomNumber(decoded->arguments()->Get<ValueList>()[0]), 7);

  const EncodableValue result(CustomValue(9));
  const std::vector<uint8_t> reply = codec.EncodeSuccessReply(&result);
  EXPECT_EQ(Hex(reply), "00c809");
  Answer answer;
  RecordingResult recording(&answer);
  ASSERT_TRUE(codec.DecodeReply(reply.data(), reply.size(), &recording));
  ASSERT_EQ(answer.kind, Answer::Kind::kSuccess);
  ASSERT_TRUE(answer.value.has_value());
  EXPECT_EQ(CustomNumber(*answer.value), 9);
}

}  // namespace
}  // namespace flutter
