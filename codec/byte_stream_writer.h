// The sink the standard serializer writes a message to.

#ifndef KESTRO_CODEC_BYTE_STREAM_WRITER_H_
#define KESTRO_CODEC_BYTE_STREAM_WRITER_H_

#include <cstdint>

namespace flutter {

class ByteStreamWriter {
 public:
  virtual ~ByteStreamWriter() = default;

  // Appends one byte.
  virtual void WriteOneByte(uint8_t byte) = 0;

  // Appends `count` bytes from `source`; a count of 0 appends nothing.
  virtual void WriteRawBytes(const uint8_t* source, uint64_t count) = 0;

  // Appends zero bytes until the length written, counted from the first byte
  // of the message, is a multiple of `alignment`.
  virtual void FillToAlignment(uint8_t alignment) = 0;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_BYTE_STREAM_WRITER_H_
