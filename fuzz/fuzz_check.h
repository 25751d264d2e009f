// Helpers shared by the codec's fuzz targets.

#ifndef KESTRO_FUZZ_FUZZ_CHECK_H_
#define KESTRO_FUZZ_FUZZ_CHECK_H_

#include <sanitizer/allocator_interface.h>

#include <cstddef>
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

namespace internal {

// What this thread holds allocated while a DecodeAllocationCheck counts.
struct AllocationCount {
  bool counting = false;
  int64_t held = 0;
  int64_t peak = 0;
};
inline thread_local AllocationCount allocation_count;

inline void CountMalloc(const volatile void*, size_t size) {
  AllocationCount& count = allocation_count;
  if (!count.counting) return;
  count.held += static_cast<int64_t>(size);
  if (count.held > count.peak) count.peak = count.held;
}

inline void CountFree(const volatile void* pointer) {
  AllocationCount& count = allocation_count;
  if (!count.counting || pointer == nullptr) return;
  count.held -= static_cast<int64_t>(__sanitizer_get_allocated_size(pointer));
}

}  // namespace internal

// Counts, through the sanitizer's allocation hooks, what this thread holds
// allocated while the object lives, reserved capacity included; when it
// ends, requires that the most held at once stayed within what `decodes`
// decodes of a `size`-byte message may hold.
class DecodeAllocationCheck {
 public:
  DecodeAllocationCheck(size_t size, uint64_t decodes)
      : bound_(decodes * flutter::StandardCodecSerializer::MaxDecodeAllocation(size)) {
    static const int installed =
        __sanitizer_install_malloc_and_free_hooks(internal::CountMalloc, internal::CountFree);
    Require(installed != 0, "the allocation hooks are installed");
    internal::allocation_count = {true, 0, 0};
  }
  ~DecodeAllocationCheck() {
    internal::allocation_count.counting = false;
    Require(static_cast<uint64_t>(internal::allocation_count.peak) <= bound_,
            "a decode holds at most StandardCodecSerializer::MaxDecodeAllocation");
  }

  DecodeAllocationCheck(const DecodeAllocationCheck&) = delete;
  DecodeAllocationCheck& operator=(const DecodeAllocationCheck&) = delete;

 private:
  uint64_t bound_;
};

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
