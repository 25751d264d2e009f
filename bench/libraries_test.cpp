#include "bench/libraries.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "bench/msgpack_peer.h"
#include "bench/nlohmann_peer.h"
#include "bench/workloads.h"
#include "codec/testing/value_printer.h"

namespace kestro::bench {
namespace {

using kestro_testing::SameValue;

using flutter::EncodableValue;
using flutter::ValueList;
using flutter::ValueMap;
using nlohmann::json;

// The check that guards every timed loop must hold for each workload and
// must be able to fail: a decoded workload is the same as its own tree only.
template <typename Library>
void ExpectRoundTripsAndTellsWorkloadsApart() {
  SCOPED_TRACE(Library::kName);
  const std::vector<Workload>& workloads = ComparedWorkloads();
  std::vector<typename Library::Tree> trees;
  for (const Workload& workload : workloads) trees.push_back(Library::Prepare(workload));
  for (size_t i = 0; i < workloads.size(); ++i) {
    SCOPED_TRACE(workloads[i].name);
    const typename Library::Message message = Library::Encode(trees[i]);
    EXPECT_GT(Library::Size(message), 0u);
    const typename Library::Decoded decoded = Library::Decode(message);
    for (size_t j = 0; j < workloads.size(); ++j) {
      EXPECT_EQ(Library::Same(decoded, trees[j]), i == j) << "against " << workloads[j].name;
    }
  }
}

TEST(Libraries, EachRoundTripsEveryWorkloadAndTellsThemApart) {
  ExpectRoundTripsAndTellsWorkloadsApart<CodecLibrary>();
  ExpectRoundTripsAndTellsWorkloadsApart<MsgpackZoneLibrary>();
  ExpectRoundTripsAndTellsWorkloadsApart<MsgpackTreeLibrary>();
  ExpectRoundTripsAndTellsWorkloadsApart<NlohmannLibrary>();
  ExpectRoundTripsAndTellsWorkloadsApart<MemcpyLibrary>();
}

TEST(Libraries, SameNoticesAChangedLeaf) {
  Workload changed = ComparedWorkloads()[1];  // printer_list
  changed.value.Get<ValueList>()[49].Get<ValueMap>()[EncodableValue("isDefault")] = true;
  const Workload& original = ComparedWorkloads()[1];
  EXPECT_FALSE(
      CodecLibrary::Same(CodecLibrary::Decode(CodecLibrary::Encode(CodecLibrary::Prepare(changed))),
                         CodecLibrary::Prepare(original)));
  EXPECT_FALSE(MsgpackZoneLibrary::Same(MsgpackZoneLibrary::Prepare(changed),
                                        MsgpackZoneLibrary::Prepare(original)));
  EXPECT_FALSE(MsgpackTreeLibrary::Same(MsgpackTreeLibrary::Prepare(changed),
                                        MsgpackTreeLibrary::Prepare(original)));
  EXPECT_FALSE(
      NlohmannLibrary::Same(NlohmannLibrary::Prepare(changed), NlohmannLibrary::Prepare(original)));
}

// Both MessagePack peers carry the same data: nlohmann reads what msgpack-cxx
// wrote as its own document, and the std tree reads what nlohmann wrote.
TEST(Libraries, PeersCarryTheSameLogicalData) {
  for (const Workload& workload : ComparedWorkloads()) {
    SCOPED_TRACE(workload.name);
    const msgpack::sbuffer packed =
        MsgpackTreeLibrary::Encode(MsgpackTreeLibrary::Prepare(workload));
    const std::vector<uint8_t> packed_bytes(packed.data(), packed.data() + packed.size());
    EXPECT_EQ(json::from_msgpack(packed_bytes), NlohmannLibrary::Prepare(workload));

    const std::vector<uint8_t> nlohmann_bytes =
        json::to_msgpack(NlohmannLibrary::Prepare(workload));
    const msgpack::object_handle handle = msgpack::unpack(
        reinterpret_cast<const char*>(nlohmann_bytes.data()), nlohmann_bytes.size());
    EXPECT_TRUE(SameValue(MsgpackToTree(handle.get()), MsgpackTreeLibrary::Prepare(workload)));
  }
}

TEST(Libraries, CodecEncodesTheCallAsAMethodCall) {
  const CodecLibrary::Message message = CodecLibrary::Encode(CodecLibrary::Prepare(SmallCall()));
  EXPECT_TRUE(message.is_call);
  // The method name as a string value, then the six-entry argument map.
  const std::vector<uint8_t> start = {0x07, 0x0A, 'o', 'p', 'e', 'n',  'D',
                                      'r',  'a',  'w', 'e', 'r', 0x0D, 0x06};
  ASSERT_GE(message.bytes.size(), start.size());
  EXPECT_EQ(std::vector<uint8_t>(message.bytes.begin(), message.bytes.begin() + start.size()),
            start);
  const CodecLibrary::Decoded decoded = CodecLibrary::Decode(message);
  ASSERT_NE(decoded.call, nullptr);
  EXPECT_EQ(decoded.call->method_name(), "openDrawer");
}

TEST(Libraries, MsgpackTreeKeepsKindsItCanTell) {
  struct Case {
    const char* label;
    EncodableValue value;
    EncodableValue expected;
  };
  const int64_t beyond_32_bits = int64_t{1} << 40;
  const Case cases[] = {
      {"null", EncodableValue(), EncodableValue()},
      {"bools", EncodableValue(ValueList{true, false}), EncodableValue(ValueList{true, false})},
      {"int32 extremes",
       EncodableValue(
           ValueList{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}),
       EncodableValue(
           ValueList{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})},
      {"int64 beyond 32 bits", EncodableValue(beyond_32_bits), EncodableValue(beyond_32_bits)},
      {"small int64 reads back as int32", EncodableValue(int64_t{5}), EncodableValue(int32_t{5})},
      {"int64 minimum", EncodableValue(std::numeric_limits<int64_t>::min()),
       EncodableValue(std::numeric_limits<int64_t>::min())},
      {"double", EncodableValue(-0.75), EncodableValue(-0.75)},
      {"string with a zero byte", EncodableValue(std::string("a\0b", 3)),
       EncodableValue(std::string("a\0b", 3))},
      {"bytes as binary", EncodableValue(flutter::ByteArray{0, 255}),
       EncodableValue(flutter::ByteArray{0, 255})},
      {"float32 array widens", EncodableValue(flutter::Float32Array{0.5f, 2.25f}),
       EncodableValue(ValueList{0.5, 2.25})},
      {"msgpack-cxx packs a whole double as an integer", EncodableValue(2.0),
       EncodableValue(int32_t{2})},
      {"map with an integer key", EncodableValue(ValueMap{{int32_t{1}, "one"}}),
       EncodableValue(ValueMap{{int32_t{1}, "one"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const msgpack::sbuffer packed = MsgpackPack(c.value);
    const msgpack::object_handle handle = msgpack::unpack(packed.data(), packed.size());
    EXPECT_TRUE(SameValue(MsgpackToTree(handle.get()), c.expected));
  }
}

TEST(Libraries, JsonOfChannelValues) {
  EXPECT_EQ(ToJson(EncodableValue(ValueMap{{"pin", int32_t{1}}, {"on", true}})),
            json::parse(R"({"on": true, "pin": 1})"));
  EXPECT_EQ(ToJson(EncodableValue(ValueMap{{int32_t{7}, "seven"}})),
            json::parse(R"({"7": "seven"})"));
  EXPECT_EQ(ToJson(EncodableValue(flutter::Int64Array{1, -1})), json::parse("[1, -1]"));
  const json bytes = ToJson(EncodableValue(flutter::ByteArray{1, 2}));
  ASSERT_TRUE(bytes.is_binary());
  const std::vector<uint8_t>& content = bytes.get_binary();
  EXPECT_EQ(content, (std::vector<uint8_t>{1, 2}));
  EXPECT_TRUE(ToJson(EncodableValue()).is_null());
}

TEST(Libraries, FreshBufferIsAnExactCopy) {
  const std::vector<uint8_t> source = {9, 8, 7};
  const MemcpyLibrary::Buffer copy = CopyToFreshBuffer(source.data(), source.size());
  ASSERT_EQ(copy.size, 3u);
  EXPECT_NE(copy.bytes.get(), source.data());
  EXPECT_EQ(std::vector<uint8_t>(copy.bytes.get(), copy.bytes.get() + copy.size), source);
}

}  // namespace
}  // namespace kestro::bench
