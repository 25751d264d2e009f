#include "codec/standard_codec_serializer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <any>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "codec/byte_buffer_stream_writer.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/value_printer.h"
#include "codec/testing/wire_bytes.h"

namespace flutter {
namespace {

using kestro_testing::Bytes;
using kestro_testing::Decode;
using kestro_testing::Encode;
using kestro_testing::Hex;
using kestro_testing::kInvalidRead;
using kestro_testing::StderrCapture;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Each value encodes to exactly these bytes, and the bytes decode to an
// equivalent value, with nothing on the standard error stream either way.
TEST(StandardCodecSerializerTest, EncodesAndDecodesTheWireFormat) {
  struct Case {
    const char* what;
    EncodableValue value;
    const char* hex;
  };
  const Case cases[] = {
      {"null", EncodableValue(), "00"},
      {"true", EncodableValue(true), "01"},
      {"false", EncodableValue(false), "02"},
      {"int32 -2", EncodableValue(int32_t{-2}), "03 FE FF FF FF"},
      {"int64 5, never shortened", EncodableValue(int64_t{5}), "04 05 00 00 00 00 00 00 00"},
      {"double 1.5", EncodableValue(1.5), "06 00 00 00 00 00 00 00 00 00 00 00 00 00 F8 3F"},
      {"list [1, 1.5]", EncodableValue(ValueList{EncodableValue(1), EncodableValue(1.5)}),
       "0C 02 03 01 00 00 00 06 00 00 00 00 00 00 F8 3F"},
      {"Int32Array [7, 8]", EncodableValue(Int32Array{7, 8}),
       "09 02 00 00 07 00 00 00 08 00 00 00"},
      {"Float64Array [1.0]", EncodableValue(Float64Array{1.0}),
       "0B 01 00 00 00 00 00 00 00 00 00 00 00 00 F0 3F"},
      {"Int64Array [-1]", EncodableValue(Int64Array{-1}),
       "0A 01 00 00 00 00 00 00 FF FF FF FF FF FF FF FF"},
      {"Float32Array [0.5]", EncodableValue(Float32Array{0.5f}), "0E 01 00 00 00 00 00 3F"},
      {"ByteArray, no alignment", EncodableValue(ByteArray{0x1B, 0x70}), "08 02 1B 70"},
      {"string pin", EncodableValue("pin"), "07 03 70 69 6E"},
      {"empty string", EncodableValue(""), "07 00"},
      {"string with a zero byte", EncodableValue(std::string("a\0b", 3)), "07 03 61 00 62"},
      {"empty list", EncodableValue(ValueList{}), "0C 00"},
      {"empty map", EncodableValue(ValueMap{}), "0D 00"},
      {"map in key order", EncodableValue(ValueMap{{"pulseOn", 2}, {"pin", 1}}),
       "0D 02 07 03 70 69 6E 03 01 00 00 00 07 07 70 75 6C 73 65 4F 6E 03 02 00 00 00"},
      {"int32 1 and int64 1 are two keys",
       EncodableValue(ValueMap{{EncodableValue(int64_t{1}), "b"}, {EncodableValue(1), "a"}}),
       "0D 02 03 01 00 00 00 07 01 61 04 01 00 00 00 00 00 00 00 07 01 62"},
      // Empty typed arrays are aligned after the count, as the reader expects.
      {"empty Int32Array", EncodableValue(Int32Array{}), "09 00 00 00"},
      {"empty Float32Array", EncodableValue(Float32Array{}), "0E 00 00 00"},
      {"empty Int64Array", EncodableValue(Int64Array{}), "0A 00 00 00 00 00 00 00"},
      {"empty Float64Array then true",
       EncodableValue(ValueList{EncodableValue(Float64Array{}), EncodableValue(true)}),
       "0C 02 0B 00 00 00 00 00 01"},
      {"empty ByteArray", EncodableValue(ByteArray{}), "08 00"},
      {"nested list", EncodableValue(ValueList{EncodableValue(ValueList{EncodableValue()})}),
       "0C 01 0C 01 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StderrCapture capture;
    EXPECT_EQ(Hex(Encode(c.value)), Hex(Bytes(c.hex)));
    const EncodableValue decoded = Decode(Bytes(c.hex));
    EXPECT_EQ(decoded.kind(), c.value.kind());
    EXPECT_TRUE(AreEquivalent(decoded, c.value)) << ::testing::PrintToString(decoded);
    EXPECT_TRUE(capture.TakeLines().empty());
  }
}

// A reader that does not lend its bytes, so every block is read by copy.
class CopyingReader : public ByteStreamReader {
 public:
  CopyingReader(const uint8_t* data, size_t size) : buffer_(data, size) {}
  uint8_t ReadOneByte() override { return buffer_.ReadOneByte(); }
  void ReadRawBytes(uint8_t* destination, uint64_t count) override {
    ++raw_reads;
    buffer_.ReadRawBytes(destination, count);
  }
  void SkipToAlignment(uint8_t alignment) override { buffer_.SkipToAlignment(alignment); }
  uint64_t RemainingBytes() const override { return buffer_.RemainingBytes(); }

  int raw_reads = 0;

 private:
  ByteBufferStreamReader buffer_;
};

// Arrays decode the same whether the message lies aligned in memory, at an
// odd address, or behind a reader that only copies; each is one raw read.
TEST(StandardCodecSerializerTest, ArraysDecodeWhereverTheMessageLies) {
  const EncodableValue values[] = {
      EncodableValue(Float64Array{1.5, -2.25, 1e300}),
      EncodableValue(Int32Array{7, -8, 9}),
      EncodableValue(Int64Array{-1, 2}),
      EncodableValue(Float32Array{0.5f}),
      EncodableValue(ByteArray{1, 2, 3}),
      EncodableValue("text"),
  };
  for (const EncodableValue& value : values) {
    SCOPED_TRACE(::testing::PrintToString(value));
    const std::vector<uint8_t> bytes = Encode(value);
    std::vector<uint8_t> shifted(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), shifted.begin() + 1);
    ByteBufferStreamReader odd(shifted.data() + 1, bytes.size());
    EXPECT_EQ(Hex(Encode(SharedSerializer().ReadNextValue(&odd))), Hex(bytes));
    CopyingReader copying(bytes.data(), bytes.size());
    EXPECT_EQ(Hex(Encode(SharedSerializer().ReadNextValue(&copying))), Hex(bytes));
    EXPECT_EQ(copying.raw_reads, 1);
  }
}

TEST(StandardCodecSerializerTest, WritesLengthPrefixes) {
  struct Case {
    uint64_t length;
    const char* hex;
  } const cases[] = {
      {0, "00"},
      {253, "FD"},
      {254, "FE FE 00"},
      {300, "FE 2C 01"},
      {65535, "FE FF FF"},
      {65536, "FF 00 00 01 00"},
      {0xFFFFFFFF, "FF FF FF FF FF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::vector<uint8_t> bytes;
    ByteBufferStreamWriter writer(&bytes);
    SharedSerializer().WriteLength(c.length, &writer);
    EXPECT_EQ(Hex(bytes), Hex(Bytes(c.hex)));
    ByteBufferStreamReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(SharedSerializer().ReadLength(&reader), c.length);
  }
}

TEST(StandardCodecSerializerTest, ReadsLongerLengthFormsThanNeeded) {
  struct Case {
    const char* hex;
    uint64_t length;
  } const cases[] = {{"FE 05 00", 5}, {"FF 05 00 00 00", 5}, {"FF 00 01 00 00", 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hex);
    const std::vector<uint8_t> bytes = Bytes(c.hex);
    ByteBufferStreamReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(SharedSerializer().ReadLength(&reader), c.length);
  }
}

TEST(StandardCodecSerializerTest, LengthBeyondThePrefixIsCappedWithALine) {
  StderrCapture capture;
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  SharedSerializer().WriteLength(uint64_t{1} << 32, &writer);
  EXPECT_EQ(Hex(bytes), "ffffffffff");
  EXPECT_EQ(capture.TakeLines().size(), 1u);
}

TEST(StandardCodecSerializerTest, CustomValueIsWrittenAsNullWithALine) {
  StderrCapture capture;
  const EncodableValue list(ValueList{EncodableValue(CustomValue(42)), EncodableValue(true)});
  EXPECT_EQ(Hex(Encode(list)), "0c020001");
  EXPECT_EQ(
      capture.TakeLines(),
      std::vector<std::string>{"Unhandled custom type in StandardCodecSerializer::WriteValue. "
                               "Custom types require codec extensions."});
}

std::string Unknown(int tag) {
  return "Unknown type in StandardCodecSerializer::ReadValueOfType: " + std::to_string(tag);
}

std::string Zeros(size_t count) { return std::string(count, '\0'); }

// Odd, unknown and truncated input: the value read and the error lines.
TEST(StandardCodecSerializerTest, DecodesOddAndTruncatedInput) {
  struct Case {
    const char* what;
    const char* hex;
    EncodableValue expected;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"tag 5 is a string", "05 02 31 30", EncodableValue("10"), {}},
      {"tag 15 is unknown", "0F", EncodableValue(), {Unknown(15)}},
      {"tag 255 is unknown", "FF 01 02", EncodableValue(), {Unknown(255)}},
      {"unknown payload is read as what follows",
       "0C 02 10 01",
       EncodableValue(ValueList{EncodableValue(), EncodableValue(true)}),
       {Unknown(16)}},
      {"first of two equal keys stays",
       "0D 02 07 01 61 03 01 00 00 00 07 01 61 03 02 00 00 00",
       EncodableValue(ValueMap{{"a", 1}}),
       {}},
      {"keys in descending order",
       "0D 02 07 01 62 03 01 00 00 00 07 01 61 03 02 00 00 00",
       EncodableValue(ValueMap{{"a", 2}, {"b", 1}}),
       {}},
      {"a key repeated after a smaller one: the first stays",
       "0D 03 07 01 62 03 01 00 00 00 07 01 61 03 02 00 00 00 07 01 62 03 03 00 00 00",
       EncodableValue(ValueMap{{"a", 2}, {"b", 1}}),
       {}},
      {"empty message", "", EncodableValue(), {kInvalidRead}},
      {"string cut short", "07 05 41 42", EncodableValue(Zeros(5)), {kInvalidRead}},
      {"list cut short",
       "0C 03 03 07 00 00 00",
       EncodableValue(ValueList{EncodableValue(7), EncodableValue(), EncodableValue()}),
       {kInvalidRead, kInvalidRead}},
      {"strings cut short after the first keep only the slack",
       "0C 03 07 FF F0 FF FF FF 07 FF F0 FF FF FF 07 FF F0 FF FF FF",
       EncodableValue(ValueList{Zeros(12 + 16), Zeros(16), Zeros(16)}),
       {kInvalidRead, kInvalidRead, kInvalidRead}},
      {"int32 cut short", "03 01 02", EncodableValue(0), {kInvalidRead}},
      {"int64 cut short", "04 01", EncodableValue(int64_t{0}), {kInvalidRead}},
      {"double cut short", "06 00 00 00 00 00 00 00 00 00", EncodableValue(0.0), {kInvalidRead}},
      {"double alignment past the end", "06", EncodableValue(0.0), {kInvalidRead}},
      {"length prefix cut short", "07 FE 01", EncodableValue(""), {kInvalidRead}},
      {"Float64Array cut short",
       "0B 02 00 00 00 00 00 00 00 00 00 00 00 00 F0 3F",
       EncodableValue(Float64Array{0.0, 0.0}),
       {kInvalidRead}},
      {"Int32Array alignment past the end", "09 00", EncodableValue(Int32Array{}), {kInvalidRead}},
      {"missing map entries collapse into null to null",
       "0D 03 07 01 61 03 01 00 00 00",
       EncodableValue(ValueMap{{"a", 1}, {EncodableValue(), EncodableValue()}}),
       {kInvalidRead, kInvalidRead, kInvalidRead, kInvalidRead}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StderrCapture capture;
    const EncodableValue decoded = Decode(Bytes(c.hex));
    EXPECT_EQ(decoded.kind(), c.expected.kind());
    EXPECT_TRUE(AreEquivalent(decoded, c.expected)) << ::testing::PrintToString(decoded);
    EXPECT_EQ(capture.TakeLines(), c.lines);
  }
}

// A map message written entry by entry, so that it may repeat keys.
std::vector<uint8_t> MapMessage(
    const std::vector<std::pair<EncodableValue, EncodableValue>>& entries) {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  writer.WriteOneByte(13);
  SharedSerializer().WriteLength(entries.size(), &writer);
  for (const auto& [key, value] : entries) {
    SharedSerializer().WriteValue(key, &writer);
    SharedSerializer().WriteValue(value, &writer);
  }
  return bytes;
}

// NaN keys are all one key, ordered after every number: decoding can never
// give a map two entries for one key, lose one, or break its order.
TEST(StandardCodecSerializerTest, NaNKeysCannotCorruptAMap) {
  const EncodableValue nan_array(Float64Array{kNaN, 1.0});
  const EncodableValue float_nan_array(Float32Array{1.0f, std::nanf("")});
  const EncodableValue decoded = Decode(MapMessage({
      {kNaN, 1},
      {1.0, 2},
      {-kNaN, 3},
      {2.0, 4},
      {nan_array, 5},
      {EncodableValue(Float64Array{-kNaN, 1.0}), 6},
      {float_nan_array, 7},
      {EncodableValue(Float32Array{1.0f, -std::nanf("")}), 8},
      {EncodableValue(Float64Array{kNaN, 0.5}), 9},
  }));
  ASSERT_EQ(decoded.kind(), ValueKind::kMap);
  const ValueMap& map = decoded.Get<ValueMap>();
  ASSERT_EQ(map.size(), 6u);
  EXPECT_EQ(map.at(EncodableValue(-kNaN)).Get<int32_t>(), 1);
  EXPECT_EQ(map.at(nan_array).Get<int32_t>(), 5);
  EXPECT_EQ(map.at(float_nan_array).Get<int32_t>(), 7);
  EXPECT_EQ(map.at(EncodableValue(Float64Array{kNaN, 0.5})).Get<int32_t>(), 9);
  const double* after_two = std::next(map.find(EncodableValue(2.0)))->first.GetIf<double>();
  ASSERT_NE(after_two, nullptr);
  EXPECT_TRUE(std::isnan(*after_two));
  for (auto it = map.begin(); std::next(it) != map.end(); ++it) {
    EXPECT_TRUE(it->first < std::next(it)->first);
  }
}

// A serializer that carries a type of its own under tag 128, nested values
// included, through the two virtual operations.
struct Point {
  int32_t x, y;
};

class PointSerializer : public StandardCodecSerializer {
 public:
  static constexpr uint8_t kPointTag = 128;

  void WriteValue(const EncodableValue& value, ByteStreamWriter* writer) const override {
    const CustomValue* custom = value.GetIf<CustomValue>();
    const Point* point = custom ? std::any_cast<Point>(&custom->value()) : nullptr;
    if (point == nullptr) return StandardCodecSerializer::WriteValue(value, writer);
    writer->WriteOneByte(kPointTag);
    StandardCodecSerializer::WriteValue(EncodableValue(Int32Array{point->x, point->y}), writer);
  }

  EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* reader) const override {
    if (type != kPointTag) return StandardCodecSerializer::ReadValueOfType(type, reader);
    const EncodableValue coordinates = ReadNextValue(reader);
    const Int32Array* xy = coordinates.GetIf<Int32Array>();
    if (xy == nullptr || xy->size() != 2) return EncodableValue();
    return EncodableValue(CustomValue(Point{(*xy)[0], (*xy)[1]}));
  }
};

const Point* AsPoint(const EncodableValue& value) {
  const CustomValue* custom = value.GetIf<CustomValue>();
  return custom ? std::any_cast<Point>(&custom->value()) : nullptr;
}

TEST(StandardCodecSerializerTest, DerivedSerializerCarriesItsOwnTypesWhenNested) {
  const PointSerializer serializer;
  const EncodableValue value(ValueList{
      EncodableValue(CustomValue(Point{1, -2})),
      EncodableValue(ValueMap{{"at", EncodableValue(CustomValue(Point{3, 4}))}}),
  });
  StderrCapture capture;
  const std::vector<uint8_t> bytes = Encode(value, serializer);
  EXPECT_EQ(Hex(bytes), Hex(Bytes("0C 02 80 09 02 00 00 00 01 00 00 00 FE FF FF FF"
                                  "0D 01 07 02 61 74 80 09 02 00 00 00 03 00 00 00 04 00 00 00")));
  const EncodableValue decoded = Decode(bytes, serializer);
  EXPECT_TRUE(capture.TakeLines().empty());
  ASSERT_EQ(decoded.kind(), ValueKind::kList);
  const ValueList& list = decoded.Get<ValueList>();
  ASSERT_EQ(list.size(), 2u);
  const Point* first = AsPoint(list[0]);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->x, 1);
  EXPECT_EQ(first->y, -2);
  const Point* nested = AsPoint(list[1].Get<ValueMap>().at("at"));
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(nested->x, 3);
  EXPECT_EQ(nested->y, 4);
}

// A writer derived from the buffer writer sees every call, in the order and
// with the arguments it always has; the buffer writer itself, which the
// serializer appends to directly, ends up with the same bytes.
TEST(StandardCodecSerializerTest, DerivedWriterSeesEveryCall) {
  class RecordingWriter : public ByteBufferStreamWriter {
   public:
    using ByteBufferStreamWriter::ByteBufferStreamWriter;
    void WriteOneByte(uint8_t byte) override {
      calls += "byte " + Hex({byte}) + "; ";
      ByteBufferStreamWriter::WriteOneByte(byte);
    }
    void WriteRawBytes(const uint8_t* source, uint64_t count) override {
      calls += "raw " + Hex(std::vector<uint8_t>(source, source + count)) + "; ";
      ByteBufferStreamWriter::WriteRawBytes(source, count);
    }
    void FillToAlignment(uint8_t alignment) override {
      calls += "fill " + std::to_string(alignment) + "; ";
      ByteBufferStreamWriter::FillToAlignment(alignment);
    }
    std::string calls;
  };
  const EncodableValue value(ValueList{EncodableValue(2.5), EncodableValue("hi"),
                                       EncodableValue(Int32Array{7}),
                                       EncodableValue(ValueMap{{true, EncodableValue()}})});
  const std::string expected =
      "byte 0c; byte 04; "                                              // a list of 4
      "byte 06; fill 8; byte 00; byte 00; byte 00; byte 00; byte 00; "  // 2.5, padded
      "raw 0000000000000440; "
      "byte 07; byte 02; raw 6869; "                                // "hi"
      "byte 09; byte 01; fill 4; byte 00; byte 00; raw 07000000; "  // {7}, padded
      "byte 0d; byte 01; byte 01; byte 00; ";                       // {true: null}
  std::vector<uint8_t> recorded;
  RecordingWriter recording(&recorded);
  SharedSerializer().WriteValue(value, &recording);
  EXPECT_EQ(recording.calls, expected);
  std::vector<uint8_t> direct;
  ByteBufferStreamWriter writer(&direct);
  SharedSerializer().WriteValue(value, &writer);
  EXPECT_EQ(Hex(direct), Hex(recorded));
}

TEST(StandardCodecSerializerTest, SharedSerializerIsOneInstance) {
  EXPECT_EQ(&SharedSerializer(), &SharedSerializer());
}

}  // namespace
}  // namespace flutter
