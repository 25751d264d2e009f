#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/testing/stderr_capture.h"
#include "codec/testing/wire_bytes.h"

namespace flutter {
namespace {

using kestro_testing::kInvalidRead;
using kestro_testing::StderrCapture;

const std::vector<std::string> kOneInvalidRead = {kInvalidRead};

std::vector<uint8_t> Counting(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(0x10 + i);
  return bytes;
}

TEST(ByteBufferStreamReaderTest, ReadsBytesInOrder) {
  const std::vector<uint8_t> bytes = Counting(3);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  EXPECT_EQ(reader.RemainingBytes(), 3u);
  EXPECT_EQ(reader.ReadOneByte(), 0x10);
  uint8_t two[2] = {};
  reader.ReadRawBytes(two, 2);
  EXPECT_EQ(two[0], 0x11);
  EXPECT_EQ(two[1], 0x12);
  EXPECT_EQ(reader.RemainingBytes(), 0u);
}

TEST(ByteBufferStreamReaderTest, ReadingFromAnEmptyMessageYieldsZeroAndOneLine) {
  StderrCapture capture;
  ByteBufferStreamReader reader(nullptr, 0);
  EXPECT_EQ(reader.ReadOneByte(), 0);
  EXPECT_EQ(capture.TakeLines(), kOneInvalidRead);
}

// A failed read copies nothing and does not move: a shorter read still works.
TEST(ByteBufferStreamReaderTest, FailedRawReadLeavesDestinationAndPosition) {
  const std::vector<uint8_t> bytes = Counting(3);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  uint8_t destination[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  StderrCapture capture;
  reader.ReadRawBytes(destination, 4);
  EXPECT_EQ(capture.TakeLines(), kOneInvalidRead);
  for (uint8_t byte : destination) EXPECT_EQ(byte, 0xAA);
  EXPECT_EQ(reader.ReadOneByte(), 0x10);
}

TEST(ByteBufferStreamReaderTest, HugeCountFailsWithoutWrapping) {
  const std::vector<uint8_t> bytes = Counting(8);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  reader.ReadOneByte();
  StderrCapture capture;
  uint8_t destination = 0xAA;
  reader.ReadRawBytes(&destination, UINT64_MAX);
  EXPECT_EQ(capture.TakeLines(), kOneInvalidRead);
  EXPECT_EQ(destination, 0xAA);
}

// Moves the reader to `start`, aligns it, and tells which byte comes next
// (-1 when the read fails).
int NextByteAfterAlignment(size_t size, size_t start, uint8_t alignment) {
  const std::vector<uint8_t> bytes = Counting(size);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  for (size_t i = 0; i < start; ++i) reader.ReadOneByte();
  reader.SkipToAlignment(alignment);
  if (reader.RemainingBytes() == 0) return -1;
  return reader.ReadOneByte() - 0x10;
}

TEST(ByteBufferStreamReaderTest, SkipsToAlignmentCountedFromTheFirstByte) {
  struct Case {
    size_t size, start;
    uint8_t alignment;
    int next;
  } const cases[] = {
      {20, 9, 8, 16}, {20, 16, 8, 16}, {20, 0, 8, 0},   {20, 5, 4, 8},
      {20, 8, 4, 8},  {20, 1, 4, 4},   {14, 13, 8, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.start << " to " << int{c.alignment});
    EXPECT_EQ(NextByteAfterAlignment(c.size, c.start, c.alignment), c.next);
  }
}

// Alignment may run past the end without a report; the next read reports.
TEST(ByteBufferStreamReaderTest, AlignmentPastTheEndFailsOnlyTheNextRead) {
  const std::vector<uint8_t> bytes = Counting(14);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  uint8_t skip[13];
  reader.ReadRawBytes(skip, 13);
  StderrCapture capture;
  reader.SkipToAlignment(8);
  EXPECT_EQ(reader.RemainingBytes(), 0u);
  EXPECT_EQ(reader.ReadOneByte(), 0);
  uint8_t none = 0xAA;
  reader.ReadRawBytes(&none, 0);  // even an empty read fails past the end
  EXPECT_EQ(capture.TakeLines(), std::vector<std::string>(2, kInvalidRead));
}

TEST(ByteBufferStreamReaderTest, EmptyReadAtTheEndSucceeds) {
  const std::vector<uint8_t> bytes = Counting(1);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  reader.ReadOneByte();
  StderrCapture capture;
  reader.ReadRawBytes(nullptr, 0);
  EXPECT_TRUE(capture.TakeLines().empty());
}

TEST(ByteBufferStreamReaderTest, LendsBytesOnlyWhenARawReadWouldSucceed) {
  const std::vector<uint8_t> bytes = Counting(4);
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  StderrCapture capture;
  EXPECT_EQ(reader.ReadRawBytesInPlace(3), bytes.data());
  EXPECT_EQ(reader.ReadRawBytesInPlace(2), nullptr);  // one left: refused, not moved
  EXPECT_EQ(reader.ReadRawBytesInPlace(1), bytes.data() + 3);
  EXPECT_EQ(reader.ReadRawBytesInPlace(0), bytes.data() + 4);
  reader.SkipToAlignment(8);
  EXPECT_EQ(reader.ReadRawBytesInPlace(0), nullptr);  // past the end
  EXPECT_TRUE(capture.TakeLines().empty());
}

TEST(ByteBufferStreamWriterTest, AppendsWithoutClearing) {
  std::vector<uint8_t> output = {0x01};
  ByteBufferStreamWriter writer(&output);
  writer.WriteOneByte(0x02);
  const uint8_t more[] = {0x03, 0x04};
  writer.WriteRawBytes(more, 2);
  writer.WriteRawBytes(more, 0);
  EXPECT_EQ(output, (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04}));
}

// A message written into a fresh vector gets room for a typical message at
// once; a vector that already has room is left as it is.
TEST(ByteBufferStreamWriterTest, MakesRoomOnceInAFreshVector) {
  std::vector<uint8_t> fresh;
  ByteBufferStreamWriter writer(&fresh);
  EXPECT_TRUE(fresh.empty());
  ASSERT_GE(fresh.capacity(), ByteBufferStreamWriter::kFirstCapacity);
  const uint8_t* storage = fresh.data();
  for (size_t i = 0; i < ByteBufferStreamWriter::kFirstCapacity; ++i) {
    writer.WriteOneByte(static_cast<uint8_t>(i));
  }
  EXPECT_EQ(fresh.data(), storage) << "grown while writing a typical message";
  EXPECT_EQ(fresh[255], 255);

  std::vector<uint8_t> roomy;
  roomy.reserve(3);
  roomy.push_back(0x07);
  const size_t capacity = roomy.capacity();
  ByteBufferStreamWriter roomy_writer(&roomy);
  EXPECT_EQ(roomy.capacity(), capacity);
  EXPECT_EQ(roomy, std::vector<uint8_t>{0x07});
}

TEST(ByteBufferStreamWriterTest, FillsToAlignmentWithZeros) {
  struct Case {
    size_t length;
    uint8_t alignment;
    size_t filled;
  } const cases[] = {{5, 4, 8}, {8, 4, 8}, {0, 8, 0}, {9, 8, 16}, {15, 8, 16}, {1, 4, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << " bytes aligned to " << int{c.alignment});
    std::vector<uint8_t> output(c.length, 0xEE);
    ByteBufferStreamWriter writer(&output);
    writer.FillToAlignment(c.alignment);
    ASSERT_EQ(output.size(), c.filled);
    for (size_t i = c.length; i < c.filled; ++i) EXPECT_EQ(output[i], 0);
  }
}

// Padding goes through the virtual WriteOneByte, one byte at a time.
TEST(ByteBufferStreamWriterTest, FillGoesThroughWriteOneByte) {
  class CountingWriter : public ByteBufferStreamWriter {
   public:
    using ByteBufferStreamWriter::ByteBufferStreamWriter;
    void WriteOneByte(uint8_t byte) override {
      ++single_bytes;
      ByteBufferStreamWriter::WriteOneByte(byte);
    }
    int single_bytes = 0;
  };
  std::vector<uint8_t> output(5);
  CountingWriter writer(&output);
  writer.FillToAlignment(8);
  EXPECT_EQ(writer.single_bytes, 3);
  EXPECT_EQ(output.size(), 8u);
}

}  // namespace
}  // namespace flutter
