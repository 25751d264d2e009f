// Hostile input: announced sizes the message cannot hold, deep nesting and
// random bytes. Decoding must stay bounded by the message's own size.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codec/standard_codec_serializer.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/wire_bytes.h"

namespace flutter {
namespace {

using kestro_testing::Bytes;
using kestro_testing::Decode;
using kestro_testing::Encode;
using kestro_testing::Hex;
using kestro_testing::kInvalidRead;
using kestro_testing::StderrCapture;

constexpr uint64_t kSlack = StandardCodecSerializer::kMaxMissingElements;
constexpr int kMaxDepth = StandardCodecSerializer::kMaxNestingDepth;

// Elements (or bytes of a string) held directly by a container value.
size_t DirectSize(const EncodableValue& value) {
  switch (value.kind()) {
    case ValueKind::kString:
      return value.Get<std::string>().size();
    case ValueKind::kByteArray:
      return value.Get<ByteArray>().size();
    case ValueKind::kInt32Array:
      return value.Get<Int32Array>().size();
    case ValueKind::kInt64Array:
      return value.Get<Int64Array>().size();
    case ValueKind::kFloat64Array:
      return value.Get<Float64Array>().size();
    case ValueKind::kFloat32Array:
      return value.Get<Float32Array>().size();
    case ValueKind::kList:
      return value.Get<ValueList>().size();
    case ValueKind::kMap:
      return value.Get<ValueMap>().size();
    default:
      return 0;
  }
}

TEST(StandardCodecBoundsTest, AnnouncedSizesAreCappedByTheRemainingBytes) {
  struct Case {
    const char* what;
    const char* hex;
    ValueKind kind;
    size_t size;
    size_t lines;
  } const cases[] = {
      {"4 GiB string, one byte present", "07 FF FF FF FF FF 41", ValueKind::kString, 1 + kSlack, 1},
      {"string within the slack keeps its length", "07 05 41 42", ValueKind::kString, 5, 1},
      {"4 GiB byte array, nothing present", "08 FF FF FF FF FF", ValueKind::kByteArray, kSlack, 1},
      {"4 Gi doubles, one present", "0B FF FF FF FF FF 00 00 00 00 00 00 00 00 00 00",
       ValueKind::kFloat64Array, 1 + kSlack, 1},
      {"4 Gi int32s, alignment past the end", "09 FF FF FF FF FF", ValueKind::kInt32Array, kSlack,
       1},
      {"4 Gi list elements, none present", "0C FF FF FF FF FF", ValueKind::kList, kSlack, kSlack},
      {"4 Gi list elements, two present", "0C FF FF FF FF FF 01 02", ValueKind::kList, 2 + kSlack,
       kSlack},
      {"4 Gi map entries, none present", "0D FF FF FF FF FF", ValueKind::kMap, 1, 2 * kSlack},
      {"65,535 list elements, one present", "0C FE FF FF 01", ValueKind::kList, 1 + kSlack, kSlack},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StderrCapture capture;
    const EncodableValue decoded = Decode(Bytes(c.hex));
    ASSERT_EQ(decoded.kind(), c.kind);
    EXPECT_EQ(DirectSize(decoded), c.size);
    const std::vector<std::string> lines = capture.TakeLines();
    EXPECT_EQ(lines, std::vector<std::string>(c.lines, kInvalidRead));
  }
}

// Lists nested at the end of a message each read only a bounded number of
// missing elements, so a chain of them cannot multiply the work.
TEST(StandardCodecBoundsTest, ListsEndingTogetherEachReadABoundedTail) {
  const int kLists = 100;
  std::string hex;
  for (int i = 0; i < kLists; ++i) hex += "0C FD ";  // each announces 253 elements
  StderrCapture capture;
  const EncodableValue decoded = Decode(Bytes(hex));
  EXPECT_EQ(capture.TakeLines().size(), kLists * kSlack);
  ASSERT_EQ(decoded.kind(), ValueKind::kList);
  EXPECT_EQ(decoded.Get<ValueList>().size(), 1 + kSlack);
}

// Whether every list in `value` has exactly the room its elements take.
bool ListsHaveExactRoom(const EncodableValue& value) {
  if (const ValueList* list = value.GetIf<ValueList>()) {
    if (list->capacity() != list->size()) return false;
    for (const EncodableValue& element : *list) {
      if (!ListsHaveExactRoom(element)) return false;
    }
  } else if (const ValueMap* map = value.GetIf<ValueMap>()) {
    for (const auto& [key, mapped] : *map) {
      if (!ListsHaveExactRoom(key) || !ListsHaveExactRoom(mapped)) return false;
    }
  }
  return true;
}

// The room the lists of one decode may reserve covers every honest message,
// even one whose elements all take one byte, nested or side by side.
TEST(StandardCodecBoundsTest, HonestListsReserveExactlyTheirCount) {
  const ValueList nulls(300);
  const EncodableValue values[] = {
      EncodableValue(nulls),
      EncodableValue(ValueList{EncodableValue(ValueList{EncodableValue(nulls)}),
                               EncodableValue(nulls), EncodableValue(ValueList{})}),
      EncodableValue(ValueMap{{EncodableValue(nulls), EncodableValue(ValueList{true, false})},
                              {"k", EncodableValue(nulls)}}),
  };
  for (const EncodableValue& value : values) {
    SCOPED_TRACE(::testing::PrintToString(value));
    const EncodableValue decoded = Decode(Encode(value));
    EXPECT_TRUE(AreEquivalent(decoded, value));
    EXPECT_TRUE(ListsHaveExactRoom(decoded));
  }
}

// A decode reports its first kMaxDecodeErrorLines problems, then one line
// that counts the rest; the next decode reports in full again.
TEST(StandardCodecBoundsTest, ErrorLinesOfOneDecodeAreCapped) {
  const uint64_t kLimit = StandardCodecSerializer::kMaxDecodeErrorLines;
  std::vector<uint8_t> bytes = Bytes("0C FE 00 10");  // 4,096 unknown tags
  bytes.resize(bytes.size() + 4096, 0x10);
  StderrCapture capture;
  EXPECT_EQ(DirectSize(Decode(bytes)), 4096u);
  Decode(Bytes("0C 01 10"));
  const std::vector<std::string> lines = capture.TakeLines();
  ASSERT_EQ(lines.size(), kLimit + 2);
  EXPECT_EQ(lines[kLimit - 1], "Unknown type in StandardCodecSerializer::ReadValueOfType: 16");
  EXPECT_EQ(lines[kLimit], "StandardCodecSerializer::ReadValueOfType: " +
                               std::to_string(4096 - kLimit) + " more error lines left out");
  EXPECT_EQ(lines[kLimit + 1], "Unknown type in StandardCodecSerializer::ReadValueOfType: 16");
}

// The number of lists wrapped around the innermost value.
int ListDepth(const EncodableValue& value, const EncodableValue** innermost) {
  int depth = 0;
  const EncodableValue* current = &value;
  while (current->kind() == ValueKind::kList && current->Get<ValueList>().size() == 1) {
    current = &current->Get<ValueList>()[0];
    ++depth;
  }
  *innermost = current;
  return depth;
}

TEST(StandardCodecBoundsTest, NestingDeeperThanTheLimitReadsAsNull) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 100000; ++i) bytes.insert(bytes.end(), {0x0C, 0x01});
  bytes.insert(bytes.end(), {0x03, 0x07, 0x00, 0x00, 0x00});
  StderrCapture capture;
  const EncodableValue decoded = Decode(bytes);
  EXPECT_EQ(capture.TakeLines(),
            std::vector<std::string>{
                "Nesting deeper than 512 in StandardCodecSerializer::ReadValueOfType; "
                "taken as null"});
  const EncodableValue* innermost = nullptr;
  EXPECT_EQ(ListDepth(decoded, &innermost), kMaxDepth);
  EXPECT_TRUE(innermost->IsNull());

  // A value this deep can be copied, compared and destroyed safely.
  const EncodableValue copy = decoded;
  EXPECT_TRUE(AreEquivalent(copy, decoded));
}

TEST(StandardCodecBoundsTest, DeeplyNestedMapsReadAsNullPastTheLimit) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 2000; ++i) bytes.insert(bytes.end(), {0x0D, 0x01, 0x00});
  StderrCapture capture;
  const EncodableValue decoded = Decode(bytes);
  EXPECT_EQ(capture.TakeLines().size(), 1u);
  int depth = 0;
  const EncodableValue* current = &decoded;
  while (current->kind() == ValueKind::kMap) {
    current = &current->Get<ValueMap>().begin()->second;
    ++depth;
  }
  EXPECT_EQ(depth, kMaxDepth);
}

// The limit exactly: 512 nested lists decode whole, as they were written.
TEST(StandardCodecBoundsTest, NestingUpToTheLimitRoundTrips) {
  for (int depth : {kMaxDepth, kMaxDepth + 88}) {
    SCOPED_TRACE(depth);
    EncodableValue value(true);
    for (int i = 0; i < depth; ++i) {
      ValueList list;
      list.push_back(std::move(value));
      value = EncodableValue(std::move(list));
    }
    StderrCapture capture;
    const std::vector<uint8_t> bytes = Encode(value);
    const EncodableValue decoded = Decode(bytes);
    const std::vector<std::string> lines = capture.TakeLines();
    const EncodableValue* innermost = nullptr;
    EXPECT_EQ(ListDepth(decoded, &innermost), kMaxDepth);
    if (depth == kMaxDepth) {
      EXPECT_TRUE(lines.empty());
      EXPECT_EQ(innermost->kind(), ValueKind::kBool);
    } else {
      // The writer turns the lists past the limit into null, with one line.
      EXPECT_EQ(lines.size(), 1u);
      EXPECT_TRUE(innermost->IsNull());
      EXPECT_EQ(bytes.size(), 2u * kMaxDepth + 1);
    }
  }
}

// Everything a value holds: bytes of strings and arrays, list elements and
// map entries, counted over every level.
size_t Footprint(const EncodableValue& value) {
  size_t total = DirectSize(value) * 8;
  if (const ValueList* list = value.GetIf<ValueList>()) {
    for (const EncodableValue& element : *list) total += Footprint(element);
  } else if (const ValueMap* map = value.GetIf<ValueMap>()) {
    for (const auto& [key, mapped] : *map) total += Footprint(key) + Footprint(mapped);
  }
  return total;
}

// Random bytes, with the tags of containers and long lengths made common:
// what is decoded and reported stays proportional to the message.
TEST(StandardCodecBoundsTest, RandomMessagesStayProportionalToTheirSize) {
  const uint8_t kFavoured[] = {0x07, 0x08, 0x0B, 0x0C, 0x0D, 0xFE, 0xFF};
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(1 + random() % 20000);
    for (uint8_t& byte : bytes) {
      byte = random() % 3 == 0 ? kFavoured[random() % sizeof(kFavoured)]
                               : static_cast<uint8_t>(random());
    }
    StderrCapture capture;
    const EncodableValue decoded = Decode(bytes);
    const size_t lines = capture.TakeLines().size();
    const size_t bound_per_byte = 64;
    const size_t bound_fixed = 2 * kSlack * (kMaxDepth + 1) * 8;
    EXPECT_LE(lines, bytes.size() + bound_fixed);
    EXPECT_LE(Footprint(decoded), bound_per_byte * bytes.size() + bound_fixed);
  }
}

}  // namespace
}  // namespace flutter
