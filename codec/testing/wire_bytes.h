// Bytes for tests of the wire format: written in hex, and values encoded and
// decoded with a serializer.

#ifndef KESTRO_CODEC_TESTING_WIRE_BYTES_H_
#define KESTRO_CODEC_TESTING_WIRE_BYTES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/encodable_value.h"
#include "codec/standard_codec_serializer.h"
#include "text/hex.h"

namespace kestro_testing {

// The bytes written in hex; blanks between bytes are allowed. Bad hex fails
// the test and gives no bytes.
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

inline std::vector<uint8_t> Encode(
    const flutter::EncodableValue& value,
    const flutter::StandardCodecSerializer& serializer = flutter::SharedSerializer()) {
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

inline flutter::EncodableValue Decode(
    const std::vector<uint8_t>& bytes,
    const flutter::StandardCodecSerializer& serializer = flutter::SharedSerializer()) {
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  return serializer.ReadNextValue(&reader);
}

// The line the byte reader writes when a read runs past the end.
inline constexpr char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader";

}  // namespace kestro_testing

#endif  // KESTRO_CODEC_TESTING_WIRE_BYTES_H_
