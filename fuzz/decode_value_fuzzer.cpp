// Decodes arbitrary bytes as one value; the value must survive encoding and
// decoding again.

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestro::fuzz::RequireRoundTrip(kestro::fuzz::Decode(data, size));
  return 0;
}
