// Decodes arbitrary bytes as one value, within the memory a decode may hold;
// the value must survive encoding and decoding again.

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  flutter::EncodableValue decoded;
  {
    const kestro::fuzz::DecodeAllocationCheck check(size, 1);
    decoded = kestro::fuzz::Decode(data, size);
  }
  kestro::fuzz::RequireRoundTrip(decoded);
  return 0;
}
