#include "codec/byte_buffer_stream_reader.h"

#include <cstring>

#include "codec/stderr_line.h"

namespace flutter {
namespace {

void ReportInvalidRead() { WriteStderrLine("Invalid read in StandardCodecByteStreamReader"); }

}  // namespace

uint8_t ByteBufferStreamReader::ReadOneByte() {
  if (position >= size) {
    ReportInvalidRead();
    return 0;
  }
  return data[position++];
}

void ByteBufferStreamReader::ReadRawBytes(uint8_t* destination, uint64_t count) {
  if (!HasBytes(count)) {
    ReportInvalidRead();
    return;
  }
  if (count > 0) std::memcpy(destination, data + position, count);
  position += count;
}

const uint8_t* ByteBufferStreamReader::ReadRawBytesInPlace(uint64_t count) {
  if (!HasBytes(count) || data == nullptr) return nullptr;
  const uint8_t* source = data + position;
  position += count;
  return source;
}

void ByteBufferStreamReader::SkipToAlignment(uint8_t alignment) {
  if (alignment == 0) return;
  const uint64_t remainder = position % alignment;
  if (remainder != 0) position += alignment - remainder;
}

// Written so that no sum can wrap, whatever `count` holds.
bool ByteBufferStreamReader::HasBytes(uint64_t count) const {
  return position <= size && count <= size - position;
}

uint64_t ByteBufferStreamReader::RemainingBytes() const {
  return position < size ? size - position : 0;
}

}  // namespace flutter
