// What one decode holds allocated, counted by a replaced operator new so that
// reserved capacity counts too. Messages whose announced sizes are built to
// cost more than their bytes stay within what the serializer promises.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "codec/byte_buffer_stream_writer.h"
#include "codec/standard_codec_serializer.h"
#include "codec/testing/allocation_counter.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/wire_bytes.h"

namespace flutter {
namespace {

using kestro_testing::AllocationWatch;
using kestro_testing::Decode;
using kestro_testing::StderrCapture;

void AppendUint32(uint32_t number, std::vector<uint8_t>* bytes) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes->push_back(static_cast<uint8_t>(number >> shift));
}

// A string or array of tag `tag` announcing 4 GiB less 16 elements.
std::vector<uint8_t> Huge(uint8_t tag) { return {tag, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF}; }

// A list or map tag and its count.
std::vector<uint8_t> Header(uint8_t tag, uint32_t count) {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  writer.WriteOneByte(tag);
  SharedSerializer().WriteLength(count, &writer);
  return bytes;
}

// A list of `count` copies of `element`.
std::vector<uint8_t> ListOf(uint32_t count, const std::vector<uint8_t>& element) {
  std::vector<uint8_t> bytes = Header(0x0C, count);
  for (uint32_t i = 0; i < count; ++i) bytes.insert(bytes.end(), element.begin(), element.end());
  return bytes;
}

// A list holding only `element`.
std::vector<uint8_t> OneElementList(const std::vector<uint8_t>& element) {
  return ListOf(1, element);
}

// A map from the 32-bit integers 0 to count - 1, each to a copy of `value`.
std::vector<uint8_t> MapTo(uint32_t count, const std::vector<uint8_t>& value) {
  std::vector<uint8_t> bytes = Header(0x0D, count);
  for (uint32_t i = 0; i < count; ++i) {
    bytes.push_back(0x03);
    AppendUint32(i, &bytes);
    bytes.insert(bytes.end(), value.begin(), value.end());
  }
  return bytes;
}

// `depth` lists, one inside the other, ahead of `tail` zero bytes. Each
// announces 0xFFFFFFFF elements, or, when `plausible`, exactly as many as
// bytes follow its count, which an honest list of nulls could hold.
std::vector<uint8_t> NestedLists(uint32_t depth, uint32_t tail, bool plausible) {
  const uint32_t size = 6 * depth + tail;
  std::vector<uint8_t> bytes;
  for (uint32_t level = 1; level <= depth; ++level) {
    bytes.insert(bytes.end(), {0x0C, 0xFF});
    AppendUint32(plausible ? size - 6 * level : 0xFFFFFFFF, &bytes);
  }
  bytes.resize(size);
  return bytes;
}

// Each failed read of a string or array consumes nothing, and each list
// level sees the same remaining bytes: neither may multiply what is held, nor
// may an inner list start a decode budget of its own.
TEST(StandardCodecAllocationTest, AnnouncedSizesCannotMultiplyWhatADecodeHolds) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } const cases[] = {
      {"strings", ListOf(11000, Huge(0x07))},
      {"byte arrays", ListOf(11000, Huge(0x08))},
      {"Int32Arrays", ListOf(11000, Huge(0x09))},
      {"Float64Arrays", ListOf(11000, Huge(0x0B))},
      {"strings as map values", MapTo(6000, Huge(0x07))},
      {"one-element lists each holding a huge string", ListOf(11000, OneElementList(Huge(0x07)))},
      {"lists in lists", NestedLists(500, 64 * 1024, false)},
      {"lists in lists, counts each plausible", NestedLists(500, 64 * 1024, true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const uint64_t bound = StandardCodecSerializer::MaxDecodeAllocation(c.bytes.size());
    StderrCapture capture;
    size_t peak = 0;
    {
      // Past the bound, operator new throws: a fault fails here at once.
      AllocationWatch watch(bound);
      EXPECT_NO_THROW(Decode(c.bytes));
      peak = watch.PeakBytes();
    }
    EXPECT_LE(peak, bound) << c.bytes.size() << " bytes";
  }
}

}  // namespace
}  // namespace flutter
