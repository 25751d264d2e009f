// Decodes arbitrary bytes as a method call, within the memory its two
// decodes and the call may hold; a call found must survive encoding and
// decoding again.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "codec/standard_method_codec.h"
#include "fuzz/fuzz_check.h"

using kestro::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const flutter::MethodCodec& codec = flutter::CodecForSerializer();
  std::unique_ptr<flutter::MethodCall> call;
  {
    // The name, the argument, and the call holding both.
    const kestro::fuzz::DecodeAllocationCheck check(size, 3);
    call = codec.DecodeCall(data, size);
  }
  if (!call) return 0;
  Require(call->arguments() != nullptr, "a decoded call carries an argument");
  kestro::fuzz::RequireRoundTrip(*call->arguments());
  const std::vector<uint8_t> bytes = codec.EncodeCall(*call);
  const std::unique_ptr<flutter::MethodCall> again = codec.DecodeCall(bytes.data(), bytes.size());
  Require(again != nullptr, "an encoded call decodes");
  Require(again->method_name() == call->method_name(), "the method name survives");
  Require(flutter::AreEquivalent(*again->arguments(), *call->arguments()),
          "the argument survives");
  Require(codec.EncodeCall(*again) == bytes, "the call encodes to the same bytes");
  return 0;
}
