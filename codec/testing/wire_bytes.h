// Helpers shared by the codec's unit tests.

#ifndef KESTRO_CODEC_CODEC_TEST_SUPPORT_H_
#define KESTRO_CODEC_CODEC_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/encodable_value.h"
#include "codec/standard_codec_serializer.h"
#include "codec/testing/stderr_capture.h"
#include "text/hex.h"

namespace flutter {

// Shows a value in test failures by its encoding.
inline void PrintTo(const EncodableValue& value, std::ostream* out) {
  std::vector<uint8_t> bytes;
  ByteBufferStreamWriter writer(&bytes);
  SharedSerializer().WriteValue(value, &writer);
  *out << "value encoded as " << kestro::text::ToHex(bytes);
}

namespace testing_support {

// The bytes written in hex; blanks between bytes are allowed.
inline std::vector<uint8_t> Bytes(std::string_view hex) {
  std::string error;
  auto bytes = kestro::text::ParseHex(hex, &error);
  if (!bytes) {
    ADD_FAILURE() << "bad hex in test: " << error;
    return {};
  }
  return *bytes;
}

inline std::string Hex(const std::vector<uint8_t>& bytes) { return kestro::text::ToHex(bytes); }

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

inline constexpr char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader";

}  // namespace testing_support
}  // namespace flutter

#endif  // KESTRO_CODEC_CODEC_TEST_SUPPORT_H_
