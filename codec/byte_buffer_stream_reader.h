// Reads a message held in a borrowed range of memory.

#ifndef KESTRO_CODEC_BYTE_BUFFER_STREAM_READER_H_
#define KESTRO_CODEC_BYTE_BUFFER_STREAM_READER_H_

#include <cstddef>
#include <cstdint>

#include "codec/byte_stream_reader.h"

namespace flutter {

// A reader over `size` bytes at `data`. The bytes are borrowed: they must
// outlive the reader, which never frees them. A failed read leaves the
// position where it was, so a shorter read may still succeed afterwards.
class ByteBufferStreamReader : public ByteStreamReader {
 public:
  ByteBufferStreamReader(const uint8_t* data, size_t size) : data(data), size(size) {}

  uint8_t ReadOneByte() override;
  void ReadRawBytes(uint8_t* destination, uint64_t count) override;
  void SkipToAlignment(uint8_t alignment) override;
  uint64_t RemainingBytes() const override;
  const uint8_t* ReadRawBytesInPlace(uint64_t count) override;

 private:
  // Whether `count` more bytes can be read.
  bool HasBytes(uint64_t count) const;

  const uint8_t* data;
  uint64_t size;
  // Offset of the next byte to read; may run past `size` after alignment.
  uint64_t position = 0;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_BYTE_BUFFER_STREAM_READER_H_
