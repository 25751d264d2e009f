// Reads a message held in a borrowed range of memory.

#ifndef KESTRO_CODEC_BYTE_BUFFER_STREAM_READER_H_
#define KESTRO_CODEC_BYTE_BUFFER_STREAM_READER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codec/byte_stream_reader.h"

namespace flutter {

// A reader over `size` bytes at `data`. The bytes are borrowed: they must
// outlive the reader, which never frees them. A failed read leaves the
// position where it was, so a shorter read may still succeed afterwards.
class ByteBufferStreamReader : public ByteStreamReader {
 public:
  ByteBufferStreamReader(const uint8_t* data, size_t size) : data(data), size(size) {}

  // Defined here so that the serializer, which calls them directly on a
  // reader of exactly this class, can inline them.
  uint8_t ReadOneByte() override {
    if (position < size) return data[position++];
    ReportInvalidRead();
    return 0;
  }
  void ReadRawBytes(uint8_t* destination, uint64_t count) override {
    if (!HasBytes(count)) return ReportInvalidRead();
    if (count > 0) std::memcpy(destination, data + position, count);
    position += count;
  }
  void SkipToAlignment(uint8_t alignment) override {
    if (alignment == 0) return;
    const uint64_t remainder = position % alignment;
    if (remainder != 0) position += alignment - remainder;
  }
  uint64_t RemainingBytes() const override { return position < size ? size - position : 0; }
  const uint8_t* ReadRawBytesInPlace(uint64_t count) override {
    if (!HasBytes(count) || data == nullptr) return nullptr;
    const uint8_t* source = data + position;
    position += count;
    return source;
  }

 private:
  // Whether `count` more bytes can be read; written so that no sum can wrap,
  // whatever `count` holds.
  bool HasBytes(uint64_t count) const { return position <= size && count <= size - position; }

  // Writes the error line of a failed read.
  static void ReportInvalidRead();

  const uint8_t* data;
  uint64_t size;
  // Offset of the next byte to read; may run past `size` after alignment.
  uint64_t position = 0;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_BYTE_BUFFER_STREAM_READER_H_
