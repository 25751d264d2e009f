// Helpers shared by the codec's unit tests.

#ifndef KESTRO_CODEC_CODEC_TEST_SUPPORT_H_
#define KESTRO_CODEC_CODEC_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/encodable_value.h"
#include "codec/standard_codec_serializer.h"
#include "tools/value_notation/hex.h"

namespace flutter {

// Shows a value in test failures by its encoding.
inline void PrintTo(const EncodableValue& value, std::ostream* out) {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  SharedSerializer().WriteValue(value, &writer);
  *out << "value encoded as " << kestro::notation::ToHex(bytes);
}

namespace testing_support {

// The bytes written in hex; blanks between bytes are allowed.
inline std::vector<uint8_t> Bytes(std::string_view hex) {
  std::string error;
  auto bytes = kestro::notation::ParseHex(hex, &error);
  if (!bytes) {
    ADD_FAILURE() << "bad hex in test: " << error;
    return {};
  }
  return *bytes;
}

inline std::string Hex(const std::vector<uint8_t>& bytes) { return kestro::notation::ToHex(bytes); }

inline std::vector<uint8_t> Encode(const EncodableValue& value,
                                   const StandardCodecSerializer& serializer = SharedSerializer()) {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

inline EncodableValue Decode(const std::vector<uint8_t>& bytes,
                             const StandardCodecSerializer& serializer = SharedSerializer()) {
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  return serializer.ReadNextValue(&reader);
}

// Records what runs inside it writes to the standard error stream.
class StderrCapture {
 public:
  StderrCapture() { ::testing::internal::CaptureStderr(); }
  ~StderrCapture() {
    if (!taken_) ::testing::internal::GetCapturedStderr();
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Ends the capture; the text written, split into lines (each had a line end).
  std::vector<std::string> Lines() {
    taken_ = true;
    const std::string text = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    if (!text.empty() && text.back() != '\n') ADD_FAILURE() << "unterminated line: " << text;
    return lines;
  }

 private:
  bool taken_ = false;
};

inline constexpr char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader";

}  // namespace testing_support
}  // namespace flutter

#endif  // KESTRO_CODEC_CODEC_TEST_SUPPORT_H_
