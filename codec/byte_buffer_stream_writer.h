// Writes a message by appending to a borrowed byte vector.

#ifndef KESTRO_CODEC_BYTE_BUFFER_STREAM_WRITER_H_
#define KESTRO_CODEC_BYTE_BUFFER_STREAM_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/byte_stream_writer.h"

namespace flutter {

// A writer that appends to `*output`, which must outlive the writer. It
// never clears or frees the vector. Alignment is counted from the vector's
// first byte, so a message is written into an empty vector.
class ByteBufferStreamWriter : public ByteStreamWriter {
 public:
  // Room for this many bytes is made at once in a vector that has none, so
  // that a typical message is written without growing the vector step by step.
  static constexpr size_t kFirstCapacity = 256;

  explicit ByteBufferStreamWriter(std::vector<uint8_t>* output);

  void WriteOneByte(uint8_t byte) override;
  void WriteRawBytes(const uint8_t* source, uint64_t count) override;
  void FillToAlignment(uint8_t alignment) override;

  // The vector written to. The serializer appends to it directly when the
  // writer is exactly this class, so that a message costs no virtual call per
  // tag, length and number; a derived writer is always written through the
  // virtual operations above.
  std::vector<uint8_t>* Buffer() const { return output; }

 private:
  std::vector<uint8_t>* output;
};

}  // namespace flutter

#endif  // KESTRO_CODEC_BYTE_BUFFER_STREAM_WRITER_H_
