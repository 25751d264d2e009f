#include "codec/byte_buffer_stream_writer.h"

namespace flutter {

ByteBufferStreamWriter::ByteBufferStreamWriter(std::vector<uint8_t>* output) : output(output) {
  if (output->capacity() == 0) output->reserve(kFirstCapacity);
}

void ByteBufferStreamWriter::WriteOneByte(uint8_t byte) { output->push_back(byte); }

void ByteBufferStreamWriter::WriteRawBytes(const uint8_t* source, uint64_t count) {
  if (count == 0) return;
  output->insert(output->end(), source, source + count);
}

void ByteBufferStreamWriter::FillToAlignment(uint8_t alignment) {
  if (alignment == 0) return;
  const uint64_t remainder = output->size() % alignment;
  if (remainder == 0) return;
  // Through the virtual slot, so a derived writer sees every byte written.
  for (uint64_t i = remainder; i < alignment; ++i) WriteOneByte(0);
}

}  // namespace flutter
