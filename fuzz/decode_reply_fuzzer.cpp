// Decodes arbitrary bytes as a reply, within the memory its decodes may
// hold; a reply found must survive encoding and decoding again, and must
// reach the result exactly once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/standard_method_codec.h"
#include "fuzz/fuzz_check.h"

namespace {

using flutter::EncodableValue;
using kestro::fuzz::Require;

// Keeps the one answer a decoded reply gives.
class RecordingResult : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    ++answers;
    is_error = false;
    value = result ? *result : EncodableValue();
    Require(!result || !result->IsNull(), "null results arrive as absent");
  }
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue* error_details) override {
    ++answers;
    is_error = true;
    code = error_code;
    message = error_message;
    value = error_details ? *error_details : EncodableValue();
  }
  void NotImplemented() override { Require(false, "decoding never answers not implemented"); }

  std::vector<uint8_t> Encode(const flutter::MethodCodec& codec) const {
    const EncodableValue* carried = value.IsNull() ? nullptr : &value;
    return is_error ? codec.EncodeErrorReply(code, message, carried)
                    : codec.EncodeSuccessReply(carried);
  }

  int answers = 0;
  bool is_error = false;
  std::string code, message;
  EncodableValue value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const flutter::MethodCodec& codec = flutter::CodecForSerializer();
  RecordingResult first;
  bool decoded = false;
  {
    // Code, message and details, and the copy the result keeps.
    const kestro::fuzz::DecodeAllocationCheck check(size, 4);
    decoded = codec.DecodeReply(data, size, &first);
  }
  Require(first.answers == (decoded ? 1 : 0), "a decoded reply answers exactly once");
  if (!decoded) return 0;
  kestro::fuzz::RequireRoundTrip(first.value);
  const std::vector<uint8_t> bytes = first.Encode(codec);
  RecordingResult second;
  Require(codec.DecodeReply(bytes.data(), bytes.size(), &second), "an encoded reply decodes");
  Require(second.is_error == first.is_error && second.code == first.code &&
              second.message == first.message && flutter::AreEquivalent(second.value, first.value),
          "the reply survives");
  Require(second.Encode(codec) == bytes, "the reply encodes to the same bytes");
  return 0;
}
