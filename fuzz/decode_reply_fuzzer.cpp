// Decodes arbitrary bytes as a reply, within the memory its decodes may
// hold; a reply found must survive encoding and decoding again, and must
// reach the result exactly once.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/standard_method_codec.h"
#include "codec/testing/recording_result.h"
#include "fuzz/fuzz_check.h"

namespace {

using flutter::EncodableValue;
using kestro::fuzz::Require;
using kestro_testing::Answer;
using kestro_testing::RecordingResult;

// Decodes `size` bytes into `*answer`; whether they were a reply.
bool DecodeInto(const uint8_t* data, size_t size, Answer* answer) {
  RecordingResult result(answer);
  return flutter::CodecForSerializer().DecodeReply(data, size, &result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Answer first;
  bool decoded = false;
  {
    // Code, message and details, and the copy the result keeps.
    const kestro::fuzz::DecodeAllocationCheck check(size, 4);
    decoded = DecodeInto(data, size, &first);
  }
  Require(first.count == (decoded ? 1 : 0), "a decoded reply answers exactly once");
  Require(first.kind != Answer::Kind::kNotImplemented, "decoding never answers not implemented");
  if (!decoded) return 0;
  Require(first.kind != Answer::Kind::kSuccess || !first.value || !first.value->IsNull(),
          "null results arrive as absent");
  const EncodableValue value = first.value.value_or(EncodableValue());
  kestro::fuzz::RequireRoundTrip(value);
  const std::vector<uint8_t> bytes = kestro_testing::EncodeAnswer(first);
  Answer second;
  Require(DecodeInto(bytes.data(), bytes.size(), &second), "an encoded reply decodes");
  Require(second.kind == first.kind && second.error_code == first.error_code &&
              second.error_message == first.error_message &&
              flutter::AreEquivalent(second.value.value_or(EncodableValue()), value),
          "the reply survives");
  Require(kestro_testing::EncodeAnswer(second) == bytes, "the reply encodes to the same bytes");
  return 0;
}
