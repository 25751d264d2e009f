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
// Decoding never fails and its work is bounded by the message size, whatever
// the lengths and counts inside it announce (see ReadValueOfType).

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
  // than those bytes could hold.
  static constexpr uint64_t kMaxMissingElements = 16;

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
  // Bounds on hostile input, all taken from reader->RemainingBytes() (a
  // reader that cannot tell gets the announced sizes as they stand):
  // - a string or array whose announced size exceeds the remaining bytes is
  //   read as zeros (the one failed read reports it), and its length is the
  //   announced one capped at what those bytes could hold plus
  //   kMaxMissingElements;
  // - a list reserves room for no more elements than bytes remain plus
  //   kMaxMissingElements, and a list or map stops after kMaxMissingElements
  //   elements or entries started at the end of the message;
  // - lists and maps nest at most kMaxNestingDepth deep.
  // So decoding n bytes allocates O(n), takes O(n) time and writes O(n) error
  // lines. Map insertion adds a logarithmic factor on key comparisons.
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

 private:
  template <typename Sequence>
  void WriteSequence(uint8_t tag, const Sequence& sequence, uint8_t alignment,
                     ByteStreamWriter* writer) const;
  void WriteList(const ValueList& list, ByteStreamWriter* writer) const;
  void WriteMap(const ValueMap& map, ByteStreamWriter* writer) const;

  template <typename Sequence>
  Sequence ReadSequence(uint8_t alignment, ByteStreamReader* reader) const;
  EncodableValue ReadList(ByteStreamReader* reader) const;
  EncodableValue ReadMap(ByteStreamReader* reader) const;
};

// The one process-wide standard serializer, made on first use (thread-safe)
// and destroyed at process exit.
const StandardCodecSerializer& SharedSerializer();

}  // namespace flutter

#endif  // KESTRO_CODEC_STANDARD_CODEC_SERIALIZER_H_
