#include "codec/byte_buffer_stream_reader.h"

#include "codec/stderr_line.h"

namespace flutter {

void ByteBufferStreamReader::ReportInvalidRead() {
  WriteStderrLine("Invalid read in StandardCodecByteStreamReader");
}

}  // namespace flutter
