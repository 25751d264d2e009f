// The byte format of channel values: the standard message codec.
//
// Each value is a one-byte type tag followed by a payload whose layout the tag
// fixes. Numbers are little-endian; doubles and the elements of typed arrays
// are aligned to their size, counted from the first byte of the message.
// Lengths and counts use a prefix of 1, 3 or 5 bytes (below 254: one byte;
// up to 65,535: 0xFE and 16 bits; above: 0xFF and 32 bits).
//
// Tags: 0 null (and CustomValue), 1 true, 2 false, 3 int32, 4 int64,
// 5 and 7 string (5 is only read), 6 double, 8 ByteArray, 9 Int32Array,
// 10 Int64Array, 11 Float64Array, 12 ValueList, 13 ValueMap, 14 Float32Array.
//
// Decoding never fails, and its time and memory are bounded by the message
// size, whatever the lengths and counts inside it announce (see
// ReadValueOfType).

#ifndef KESTRO_CODEC_STANDARD_CODEC_SERIALIZER_H_
#define KESTRO_CODEC_STANDARD_CODEC_SERIALIZER_H_

#include <cstdint>

#include "codec/byte_stream_reader.h"
#include "codec/byte_stream_writer.h"
#include "codec/encodable_value.h"

namespace flutter {

// Writes and reads one value in the standard format. The serializer has no
// state: any number of threads may use one instance at once.
//
// To carry types of its own, derive from this class, override WriteValue and
// ReadValueOfType for the new tags (15 and up) and the CustomValue contents,
// and pass everything else on to these implementations. Nested values (list
// elements, map keys and values) come back through the virtual operations.
class StandardCodecSerializer {
 public:
  // Lists and maps nest at most this deep; a list or map inside this many
  // others is read, and written, as null with one error line. The stack of
  // the reader, the writer and every operation on values stays bounded.
  static constexpr int kMaxNestingDepth = 512;

  // Once the reader has reached the end of the message, a list or map reads
  // at most this many more elements or entries (each a failed read, so null)
  // and drops the rest of its count. A string or array whose announced size
  // the remaining bytes cannot hold keeps at most this many elements more
  // than those bytes could hold, or, when another was cut short earlier in
  // the same decode, at most this many.
  static constexpr uint64_t kMaxMissingElements = 16;

  // One decode (see ReadValueOfType) writes at most this many error lines,
  // its reader's included; it counts the rest, and at its end writes one
  // line more: "StandardCodecSerializer::ReadValueOfType: " followed by the
  // count and " more error lines left out".
  static constexpr uint64_t kMaxDecodeErrorLines = 2048;

  // The most one decode of `n` bytes through a reader that tells its
  // remaining bytes holds allocated at once, reserved capacity included, as
  // the rules under ReadValueOfType give it (added up in the .cpp): per
  // message byte, one reserved list slot, three slots of a growing list and
  // 67 bytes of strings and arrays; and, fixed, three slots for each element
  // read at the end of the message by the lists open there, and 4 KiB.
  static constexpr uint64_t kDecodeBytesPerMessageByte = 4 * sizeof(EncodableValue) + 67;
  static constexpr uint64_t kDecodeFixedBytes =
      3 * sizeof(EncodableValue) * kMaxMissingElements * kMaxNestingDepth + 4096;
  static constexpr uint64_t MaxDecodeAllocation(uint64_t n) {
    return kDecodeBytesPerMessageByte * n + kDecodeFixedBytes;
  }

  StandardCodecSerializer() = default;
  virtual ~StandardCodecSerializer() = default;

  StandardCodecSerializer(const StandardCodecSerializer&) = delete;
  StandardCodecSerializer& operator=(const StandardCodecSerializer&) = delete;

  // Appends the encoding of `value` (tag and payload) to `writer`. A
  // CustomValue is written as null with an error line.
  virtual void WriteValue(const EncodableValue& value, ByteStreamWriter* writer) const;

  // Reads the payload of a value whose tag, `type`, has just been read. An
  // unknown tag reads as null with an error line and leaves its payload
  // unread.
  //
  // Hostile input is bounded per decode: a decode is the outermost list or
  // map read on a thread (one entered while this thread is inside no other),
  // or a string or array read outside any. Every bound is taken from
  // reader->RemainingBytes(); a reader that cannot tell (kUnknownRemaining)
  // gets the announced sizes as they stand.
  // - A string or array whose announced size exceeds the remaining bytes is
  //   read as zeros (the one failed read reports it). Its length is the
  //   announced one capped, for the first such string or array of a decode,
  //   at what the remaining bytes could hold plus kMaxMissingElements, and
  //   for every later one at kMaxMissingElements.
  // - A list reserves room for at most its count, and at most the remaining
  //   bytes plus kMaxMissingElements; the lists of one decode reserve at most
  //   as many elements in all as bytes remained when the decode began (no
  //   honest message needs more: each element takes at least its tag byte).
  //   A list denied room grows as its elements arrive.
  // - A list or map stops after kMaxMissingElements elements or entries
  //   started at the end of the message.
  // - Lists and maps nest at most kMaxNestingDepth deep.
  // - A decode writes at most kMaxDecodeErrorLines error lines, and one more
  //   that counts those left out.
  // So, through a reader that tells its remaining bytes (ByteBufferStreamReader
  // does), a decode of n bytes takes O(n) time (map insertion adds a
  // logarithmic factor on key comparisons) and holds at most
  // MaxDecodeAllocation(n) bytes allocated at once, reserved capacity
  // included. No size it asks for comes near a container's max_size(), so
  // std::length_error cannot arise, nor std::bad_alloc unless memory for an
  // honest message of a few times the size is lacking too.
  virtual EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* reader) const;

  // Reads one complete value: its tag, then its payload through
  // ReadValueOfType. At the end of the message this is null.
  EncodableValue ReadNextValue(ByteStreamReader* reader) const;

  // Reads a length prefix. A failed read gives 0 for the missing part.
  uint64_t ReadLength(ByteStreamReader* reader) const;

  // Writes `length` in the shortest prefix. Lengths above 4,294,967,295
  // cannot be expressed: they are written as that maximum with an error line
  // (WriteValue never asks for one: it writes such a value as null).
  void WriteLength(uint64_t length, ByteStreamWriter* writer) const;
};

// The one process-wide standard serializer, made on first use (thread-safe)
// and destroyed at process exit.
const StandardCodecSerializer& SharedSerializer();

}  // namespace flutter

#endif  // KESTRO_CODEC_STANDARD_CODEC_SERIALIZER_H_
