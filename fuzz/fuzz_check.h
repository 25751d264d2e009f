// Helpers shared by the codec's fuzz targets.

#ifndef KESTRO_FUZZ_FUZZ_CHECK_H_
#define KESTRO_FUZZ_FUZZ_CHECK_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codec/byte_buffer_stream_reader.h"
#include "codec/byte_buffer_stream_writer.h"
#include "codec/encodable_value.h"
#include "codec/standard_codec_serializer.h"

namespace kestro::fuzz {

// Ends the run as a finding when a property does not hold.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

inline std::vector<uint8_t> Encode(const flutter::EncodableValue& value) {
  std::vector<uint8_t> bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  flutter::SharedSerializer().WriteValue(value, &writer);
  return bytes;
}

inline flutter::EncodableValue Decode(const uint8_t* data, size_t size) {
  flutter::ByteBufferStreamReader reader(data, size);
  return flutter::SharedSerializer().ReadNextValue(&reader);
}

// Whatever was decoded encodes to bytes that decode to the same value again:
// equivalent, and writing the same bytes (so kinds, the sign of zero and NaN
// payloads survive too).
inline void RequireRoundTrip(const flutter::EncodableValue& decoded) {
  const std::vector<uint8_t> bytes = Encode(decoded);
  const flutter::EncodableValue again = Decode(bytes.data(), bytes.size());
  Require(flutter::AreEquivalent(decoded, again), "decode(encode(v)) is equivalent to v");
  Require(Encode(again) == bytes, "encode(decode(encode(v))) == encode(v)");
}

}  // namespace kestro::fuzz

#endif  // KESTRO_FUZZ_FUZZ_CHECK_H_
